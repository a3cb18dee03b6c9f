#include "platform/RuntimeError.h"

#include "platform/ExecutableInfo.h"

RuntimeError::RuntimeError(long number, QString source, QString description, QString detail)
    : std::runtime_error(description.toStdString())
    , m_number(number)
    , m_source(std::move(source))
    , m_description(std::move(description))
    , m_detail(std::move(detail))
{
}

QString RuntimeError::fullText() const
{
    return m_detail.isEmpty() ? m_description : m_description + QStringLiteral(" (") + m_detail + QLatin1Char(')');
}

QString RuntimeError::sourceFor(const QString& module)
{
    return ExecutableInfo::baseName() + QLatin1Char('.') + module;
}
