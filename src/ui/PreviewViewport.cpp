#include "ui/PreviewViewport.h"

#include <QPalette>

PreviewViewport::PreviewViewport(QWidget* parent)
    : QFrame(parent)
    , m_client(new QWidget(this))
{
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(2);
    // The application-workspace grey behind a photo smaller than the area.
    QPalette workspace = m_client->palette();
    workspace.setColor(QPalette::Window, QColor(0xAB, 0xAB, 0xAB));
    m_client->setPalette(workspace);
    m_client->setAutoFillBackground(true);
    m_client->setGeometry(contentsRect());
}

void PreviewViewport::resizeEvent(QResizeEvent* event)
{
    QFrame::resizeEvent(event);
    m_client->setGeometry(contentsRect());
}
