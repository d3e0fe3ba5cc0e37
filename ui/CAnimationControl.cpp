#include "ui/CAnimationControl.h"

#include "data/CAviReader.h"

#include <QImage>

#include <algorithm>

CAnimationControl::CAnimationControl(QWidget* parent) : QLabel(parent)
{
    setAlignment(Qt::AlignCenter);
    connect(&m_timer, &QTimer::timeout, this, &CAnimationControl::StepFrame);
}

bool CAnimationControl::Open(const QString& path)
{
    Stop();
    m_frames.clear();
    m_current = 0;
    clear();

    CAviReader reader;
    if (reader.Load(path) != CAviReader::EResult::Ok)
        return false;
    const QSize area = contentsRect().size();
    const bool shrink =
        !area.isEmpty() && (reader.Width() > area.width() || reader.Height() > area.height());
    m_frames.reserve(static_cast<size_t>(reader.FrameCount()));
    for (int i = 0; i < reader.FrameCount(); ++i) {
        const QByteArray& rgb = reader.Frame(i);
        // The reader's rows are packed without padding, which QImage accepts given the
        // stride; copy() detaches the picture from the reader's buffer.
        QImage image(reinterpret_cast<const uchar*>(rgb.constData()), reader.Width(),
                     reader.Height(), reader.Width() * 3, QImage::Format_RGB888);
        image = image.copy();
        if (shrink)
            image = image.scaled(area, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        m_frames.push_back(QPixmap::fromImage(image));
    }
    const auto ms = static_cast<int>(
        std::clamp<std::uint32_t>(reader.FrameMicroseconds() / 1000, kMinFrameMs, kMaxFrameMs));
    m_timer.setInterval(ms);
    ShowFrame(0);
    return true;
}

void CAnimationControl::Play()
{
    // A single picture needs no timer.
    if (m_frames.size() > 1)
        m_timer.start();
}

void CAnimationControl::Stop()
{
    m_timer.stop();
}

void CAnimationControl::StepFrame()
{
    if (!m_frames.empty())
        ShowFrame((m_current + 1) % FrameCount());
}

void CAnimationControl::ShowFrame(int index)
{
    m_current = index;
    setPixmap(m_frames.at(static_cast<size_t>(index)));
}
