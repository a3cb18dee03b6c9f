#include "platform/RuntimeError.h"

#include "platform/ExecutableInfo.h"

RuntimeError::RuntimeError(long number, QString source, QString description)
    : std::runtime_error(description.toStdString()),
      m_number(number),
      m_source(std::move(source)),
      m_description(std::move(description))
{
}

QString RuntimeError::sourceFor(const QString& module)
{
    return ExecutableInfo::baseName() + QLatin1Char('.') + module;
}
