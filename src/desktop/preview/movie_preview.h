#pragma once
// TMoviePreview: the movie page's preview ("PanelMoviePreview"): frame k of the movie exactly
// as the export composes it, scaled into an area of the movie's aspect, with play and pause, a
// position slider over the whole movie and its time "mm:ss / mm:ss", and one frame back or
// forward. Frames are composed on worker threads a few ahead of the one shown; playing keeps
// to 30 frames a second by the clock and skips a frame not ready in time rather than slow down.
// The music plays along when the project uses it and there is a device to play it on: a play
// starts once its first frames and the music at its position are ready, and the picture then
// follows the music's clock (preview_clock.h).
//
// It takes the keyboard when its area or one of its buttons is clicked (or with Tab): Space
// plays and pauses, Left and Right step one frame, Home and End go to the first and last frame.

#include "desktop/shared/window_state.h"
#include "desktop_rules/preview_clock.h"
#include "render/preview_composer.h"

#include <QElapsedTimer>
#include <QImage>
#include <QWidget>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

class QLabel;
class QPushButton;
class QSlider;
class QTimer;

namespace kalidor {

class PreviewMusic;

class TMoviePreview : public QWidget {
    Q_OBJECT
public:
    explicit TMoviePreview(WindowState& state, QWidget* parent = nullptr);
    ~TMoviePreview() override;

    // The open project as it is now: after an edit, or when the page is shown.
    void Refresh();
    // Shows frame k (clamped to the movie), pausing nothing: a playing preview goes on from there.
    void Seek(std::int64_t frame);
    void Play();
    void Pause();
    void StepBack();
    void StepForward();
    // Asked to play (▶ shows as pause), whether or not the first frames and the music are in.
    bool Playing() const { return playing_; }
    // The frame the slider stands at, and the frame on the screen (-1 before the first arrives).
    std::int64_t Position() const { return position_; }
    std::int64_t ShownFrame() const { return shownFrame_; }
    std::int64_t FrameCount() const { return frameCount_; }
    // The export's message for a movie size it refuses, shown in the area instead of frames;
    // empty for a size it takes.
    const QString& SizeProblem() const { return sizeProblem_; }

    QWidget* ImgMoviePreview = nullptr;
    QPushButton* BtnPreviewPlay = nullptr;
    QPushButton* BtnPreviewBack = nullptr;
    QPushButton* BtnPreviewForward = nullptr;
    QSlider* SliderPreview = nullptr;
    QLabel* LblPreviewTime = nullptr;

signals:
    // A frame came to the screen.
    void frameShown(std::int64_t frame);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // A play waits from here for its first frames and the music at the position.
    void beginStart();
    void tryStart();
    bool firstFramesReady() const;
    void stopPlaying();
    void tick();
    void want();
    void show(std::int64_t frame);
    void arrived(std::uint64_t generation, std::int64_t frame, QImage image, QString problem);
    void showTime();
    void showPlaying(bool playing);
    void placeArea();

    WindowState& state_;
    std::mutex sizeMutex_;
    QSize imageSize_;  // what the workers scale frames to, in device pixels; guarded by sizeMutex_
    qreal imageRatio_ = 1;  // the screen's device pixels per logical pixel; guarded by sizeMutex_
    std::unique_ptr<PreviewComposer> composer_;
    std::uint64_t generation_ = 0;
    std::int64_t frameCount_ = 0;
    std::int64_t position_ = 0;
    std::int64_t shownFrame_ = -1;
    struct Frame {
        QImage image;
        QString problem;  // why it cannot be shown (a picture that cannot be read), or empty
    };
    std::map<std::int64_t, Frame> ready_;  // composed frames, none before the one shown
    bool playing_ = false;
    bool starting_ = false;  // playing, but waiting for the first frames and the music
    QElapsedTimer steady_;   // the clock of playing without music, running from construction
    QElapsedTimer waited_;   // since the play began to wait
    rules::PlayClock clock_;
    QTimer* timer_ = nullptr;
    PreviewMusic* music_ = nullptr;
    int movieWidth_ = 4, movieHeight_ = 3;
    QString sizeProblem_;
};

}  // namespace kalidor
