#pragma once

#include <QTimer>
#include <QWidget>

namespace quennit {

// The busy animation beside the tool buttons: a ring of dots with one
// bright dot running round while a search runs; idle, it shows its first
// frame.
class CBusyAnimation : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kFrameCount = 12;
    static constexpr int kFrameMs = 80;

    explicit CBusyAnimation(QWidget* parent = nullptr);

    // Plays endlessly from the first frame.
    void Play();
    // Stops and shows the first frame again.
    void Stop();

    bool IsPlaying() const { return m_timer.isActive(); }
    int CurrentFrame() const { return m_frame; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QTimer m_timer;
    int m_frame = 0;
};

}  // namespace quennit
