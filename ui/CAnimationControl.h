#pragma once

#include <QLabel>
#include <QPixmap>
#include <QTimer>

#include <vector>

// The animation area of a dialog: plays an uncompressed AVI file (see CAviReader) frame by
// frame on a timer, from the first frame to the last and round again, until stopped or
// destroyed. Frames are centred in the area and scaled down, keeping their proportions,
// when larger than it. A file that cannot be read leaves the area empty; the area's size
// never depends on the file.
class CAnimationControl : public QLabel
{
    Q_OBJECT

public:
    // Frame times outside these bounds are pulled inside them, so that a hostile file can
    // neither spin the timer nor freeze the picture.
    static constexpr int kMinFrameMs = 10;
    static constexpr int kMaxFrameMs = 5000;

    explicit CAnimationControl(QWidget* parent = nullptr);

    // Loads the video at `path` and shows its first frame, stopped. On failure the area is
    // empty and false is returned.
    bool Open(const QString& path);
    // Runs the animation from the current frame, looping; nothing happens with no frames.
    void Play();
    void Stop();

    int FrameCount() const { return static_cast<int>(m_frames.size()); }
    int CurrentFrame() const { return m_current; }
    bool IsPlaying() const { return m_timer.isActive(); }
    int FrameIntervalMs() const { return m_timer.interval(); }

public slots:
    // Shows the next frame, the first again after the last.
    void StepFrame();

private:
    void ShowFrame(int index);

    std::vector<QPixmap> m_frames;
    int m_current = 0;
    QTimer m_timer;
};
