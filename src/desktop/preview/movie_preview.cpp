#include "desktop/preview/movie_preview.h"

#include "desktop/preview/preview_music.h"
#include "desktop/shared/accessible_widgets.h"
#include "desktop/shared/bitmap_image.h"
#include "desktop/shared/scale_watch.h"
#include "desktop/shared/translated.h"
#include "model/movie_checks.h"
#include "render/movie_frames.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QTimer>

#include <algorithm>

namespace kalidor {
namespace {

// Frames composed ahead of the one shown while playing: a third of a second. A play starts
// with half of them ready.
constexpr int kFramesAhead = 10;
constexpr int kStartFrames = kFramesAhead / 2;
constexpr int kControlsHeight = 30;

// The frame on the screen, scaled already, on black; or why there is none.
class PreviewScreen : public QWidget {
public:
    using QWidget::QWidget;
    QImage image;
    QString problem;
    bool keyed = false;  // the player has the keyboard: a thin frame says so

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        if (!image.isNull())
            painter.drawImage(QPointF((width() - image.deviceIndependentSize().width()) / 2,
                                      (height() - image.deviceIndependentSize().height()) / 2),
                              image);
        if (!problem.isEmpty()) {
            painter.setPen(Qt::white);
            painter.drawText(rect().adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap, problem);
        }
        if (keyed) {
            painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
            painter.drawRect(rect().adjusted(1, 1, -1, -1));
        }
    }
};

// "mm:ss" of a number of seconds (the minutes may run past 99).
QString minutesAndSeconds(std::int64_t seconds) {
    return QStringLiteral("%1:%2").arg(seconds / 60, 2, 10, QLatin1Char('0')).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

TMoviePreview::TMoviePreview(WindowState& state, QWidget* parent) : QWidget(parent), state_(state) {
    setObjectName("PanelMoviePreview");
    // Its controls take no focus of their own: a click on any of them, or on the area, gives the
    // keyboard to the player as a whole.
    setFocusPolicy(Qt::StrongFocus);
    SpeakAs(this, QAccessible::Animation);  // the movie, played in it
    setAccessibleName(tr("プレビュー"));
    // On a screen of another scale the frames are composed again at its pixel size.
    OnScaleChange(this, [this] { placeArea(); });
    ImgMoviePreview = new PreviewScreen(this);
    ImgMoviePreview->setObjectName("ImgMoviePreview");
    const auto button = [this](const char* name, QStyle::StandardPixmap icon, const QString& tip) {
        auto* made = new QPushButton(style()->standardIcon(icon), QString(), this);
        made->setObjectName(name);
        made->setToolTip(tip);
        made->setAccessibleName(tip);
        made->setFocusPolicy(Qt::NoFocus);
        return made;
    };
    BtnPreviewBack = button("BtnPreviewBack", QStyle::SP_MediaSeekBackward, tr("1コマ戻る"));
    BtnPreviewPlay = button("BtnPreviewPlay", QStyle::SP_MediaPlay, tr("再生"));
    BtnPreviewForward = button("BtnPreviewForward", QStyle::SP_MediaSeekForward, tr("1コマ進む"));
    SliderPreview = new QSlider(Qt::Horizontal, this);
    SliderPreview->setObjectName("SliderPreview");
    SliderPreview->setAccessibleName(tr("再生位置"));
    SliderPreview->setFocusPolicy(Qt::NoFocus);
    LblPreviewTime = new QLabel(this);
    LblPreviewTime->setObjectName("LblPreviewTime");
    LblPreviewTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    connect(BtnPreviewPlay, &QPushButton::clicked, this, [this] { playing_ ? Pause() : Play(); });
    connect(BtnPreviewBack, &QPushButton::clicked, this, &TMoviePreview::StepBack);
    connect(BtnPreviewForward, &QPushButton::clicked, this, &TMoviePreview::StepForward);
    connect(SliderPreview, &QSlider::valueChanged, this, [this](int value) { Seek(value); });

    timer_ = new QTimer(this);
    timer_->setTimerType(Qt::PreciseTimer);
    timer_->setInterval(10);
    connect(timer_, &QTimer::timeout, this, &TMoviePreview::tick);
    steady_.start();
    music_ = new PreviewMusic(this);

    // Frames come on the workers: each is turned into an image of the screen's size there, so
    // the window's thread only puts it on the screen.
    composer_ = std::make_unique<PreviewComposer>(
        [this](std::uint64_t generation, std::int64_t frame, const Bitmap* bitmap, const Message& problem) {
            QImage image;
            if (bitmap) {
                QSize size;
                qreal ratio = 1;
                {
                    std::lock_guard lock(sizeMutex_);
                    size = imageSize_;
                    ratio = imageRatio_;
                }
                image = ToQImage(*bitmap);
                if (size.isValid() && size != image.size())
                    image = image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
                image.setDevicePixelRatio(ratio);
            }
            QMetaObject::invokeMethod(
                this,
                [this, generation, frame, image = std::move(image), problem = problem.empty() ? QString() : Translated(problem)] {
                    arrived(generation, frame, image, problem);
                },
                Qt::QueuedConnection);
        });
}

TMoviePreview::~TMoviePreview() {
    // The workers end before the widget they deliver to.
    composer_.reset();
}

void TMoviePreview::Refresh() {
    const TThPicObjectManager& project = state_.Project;
    auto* screen = static_cast<PreviewScreen*>(ImgMoviePreview);
    // A size the export refuses gets no frame (a side of 9999 would take gigabytes): the area
    // shows the export's own message instead, in the room of an ordinary movie.
    const bool wasRefused = !sizeProblem_.isEmpty();
    const std::optional<Message> sizeProblem = MovieSizeProblem(project.MovWidth, project.MovHeight);
    sizeProblem_ = sizeProblem ? Translated(*sizeProblem) : QString();
    if (!sizeProblem_.isEmpty()) {
        Pause();
        generation_ = composer_->SetProject(TThPicObjectManager());
        frameCount_ = 0;
        movieWidth_ = 4, movieHeight_ = 3;
        screen->image = QImage();
        screen->problem = sizeProblem_;
        screen->update();
    } else {
        generation_ = composer_->SetProject(project);
        frameCount_ = composer_->FrameCount();
        movieWidth_ = project.MovWidth;
        movieHeight_ = project.MovHeight;
        if (wasRefused) screen->problem.clear();
    }
    ready_.clear();
    shownFrame_ = -1;
    {
        const QSignalBlocker quiet(SliderPreview);
        SliderPreview->setRange(0, static_cast<int>(std::max<std::int64_t>(frameCount_ - 1, 0)));
    }
    // Loaded ahead, so that the first play waits for nothing it could have had already.
    music_->Load(project.UseMusic ? QString::fromStdString(project.MusicFilePath) : QString());
    placeArea();
    Seek(position_);
}

void TMoviePreview::Seek(std::int64_t frame) {
    position_ = std::clamp<std::int64_t>(frame, 0, std::max<std::int64_t>(frameCount_ - 1, 0));
    {
        const QSignalBlocker quiet(SliderPreview);
        SliderPreview->setValue(static_cast<int>(position_));
    }
    showTime();
    // What was composed for elsewhere is let go; the frame asked for comes first.
    ready_.erase(ready_.begin(), ready_.lower_bound(position_));
    composer_->Forget();
    if (auto found = ready_.find(position_); found != ready_.end()) show(position_);
    // A play goes on from here once the frames and the music are there too.
    if (playing_) beginStart();
    want();
}

void TMoviePreview::Play() {
    if (playing_ || frameCount_ == 0) return;
    if (position_ >= frameCount_ - 1) Seek(0);  // from the start again once at the end
    playing_ = true;
    showPlaying(true);
    timer_->start();
    beginStart();
    want();
}

void TMoviePreview::Pause() {
    if (!playing_) return;
    stopPlaying();
    // The frame at the position is the one to see, even if playing skipped it.
    if (shownFrame_ != position_) Seek(position_);
}

void TMoviePreview::stopPlaying() {
    playing_ = starting_ = false;
    timer_->stop();
    showPlaying(false);
    music_->Pause();
}

void TMoviePreview::beginStart() {
    starting_ = true;
    music_->Pause();
    waited_.start();
    tryStart();
}

bool TMoviePreview::firstFramesReady() const {
    const std::int64_t last = std::min<std::int64_t>(position_ + kStartFrames, frameCount_ - 1);
    for (std::int64_t frame = position_; frame <= last; ++frame)
        if (!ready_.contains(frame)) return false;
    return true;
}

void TMoviePreview::tryStart() {
    const rules::StartDecision decision =
        rules::DecideStart(firstFramesReady(), music_->ReadyAt(rules::MsOfFrame(position_)), waited_.elapsed());
    if (decision == rules::StartDecision::Wait) return;
    starting_ = false;
    const bool withMusic = decision == rules::StartDecision::WithMusic;
    if (withMusic) music_->Play();
    // Until the music is heard its position stays at the start: so does the picture.
    clock_.Start(position_, withMusic, steady_.elapsed());
}

void TMoviePreview::StepBack() {
    Pause();
    Seek(position_ - 1);
}

void TMoviePreview::StepForward() {
    Pause();
    Seek(position_ + 1);
}

void TMoviePreview::tick() {
    if (!playing_) return;
    if (starting_) {
        tryStart();
        if (starting_) return;
    }
    std::int64_t now = clock_.Due(music_->Heard(), steady_.elapsed());
    const bool atEnd = now >= frameCount_ - 1;
    now = std::min(now, frameCount_ - 1);
    if (now != position_) {
        position_ = now;
        const QSignalBlocker quiet(SliderPreview);
        SliderPreview->setValue(static_cast<int>(position_));
        showTime();
    }
    // The newest frame that is due; those before it are skipped, never shown late.
    auto due = ready_.upper_bound(position_);
    if (due != ready_.begin()) {
        --due;
        if (due->first > shownFrame_) show(due->first);
    }
    ready_.erase(ready_.begin(), ready_.lower_bound(std::max<std::int64_t>(shownFrame_, position_)));
    want();
    if (atEnd) {
        stopPlaying();  // the last frame stays on the screen
        if (shownFrame_ != position_) Seek(position_);
    }
}

void TMoviePreview::want() {
    if (frameCount_ == 0) return;
    // Playing, the frames from the next one due; waiting to play, those from the position;
    // paused, the frame shown and its neighbour.
    const std::int64_t first = playing_ && !starting_ ? position_ + 1 : position_;
    composer_->Want(first, playing_ ? kFramesAhead : 2);
}

void TMoviePreview::show(std::int64_t frame) {
    auto* screen = static_cast<PreviewScreen*>(ImgMoviePreview);
    const Frame& shown = ready_.at(frame);
    screen->image = shown.image;
    screen->problem = shown.problem;
    screen->update();
    shownFrame_ = frame;
    emit frameShown(frame);
}

void TMoviePreview::arrived(std::uint64_t generation, std::int64_t frame, QImage image, QString problem) {
    // Frames of a project since edited, or from before the position, have no place any more.
    const bool moving = playing_ && !starting_;
    if (generation != generation_ || frame < position_ || (moving && frame <= shownFrame_)) return;
    ready_[frame] = Frame{std::move(image), std::move(problem)};
    if (!moving && frame == position_) show(frame);
    if (playing_) tick();
}

void TMoviePreview::showPlaying(bool playing) {
    BtnPreviewPlay->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
    BtnPreviewPlay->setToolTip(playing ? tr("一時停止") : tr("再生"));
    BtnPreviewPlay->setAccessibleName(BtnPreviewPlay->toolTip());
}

void TMoviePreview::showTime() {
    const std::int64_t total = std::max<std::int64_t>(frameCount_ - 1, 0) / FRAME_RATE;
    LblPreviewTime->setText(minutesAndSeconds(position_ / FRAME_RATE) + QStringLiteral(" / ") +
                            minutesAndSeconds(total));
}

void TMoviePreview::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeArea();
}

void TMoviePreview::placeArea() {
    // The screen takes the movie's aspect, as large as the room above the controls allows.
    const int roomWidth = width(), roomHeight = std::max(height() - kControlsHeight - 6, 1);
    int screenWidth = roomWidth, screenHeight = roomWidth * movieHeight_ / movieWidth_;
    if (screenHeight > roomHeight) {
        screenHeight = roomHeight;
        screenWidth = roomHeight * movieWidth_ / movieHeight_;
    }
    ImgMoviePreview->setGeometry((roomWidth - screenWidth) / 2, 0, screenWidth, screenHeight);
    const int y = height() - kControlsHeight;
    BtnPreviewBack->setGeometry(0, y, 44, kControlsHeight);
    BtnPreviewPlay->setGeometry(48, y, 56, kControlsHeight);
    BtnPreviewForward->setGeometry(108, y, 44, kControlsHeight);
    LblPreviewTime->setGeometry(width() - 110, y, 110, kControlsHeight);
    SliderPreview->setGeometry(160, y, std::max(width() - 160 - 118, 10), kControlsHeight);
    // Scaled to the screen's own pixels, not stretched from logical ones on a dense screen.
    const qreal ratio = devicePixelRatioF();
    const QSize size = (QSizeF(screenWidth, screenHeight) * ratio).toSize();
    bool changed = false;
    {
        std::lock_guard lock(sizeMutex_);
        changed = imageSize_ != size || imageRatio_ != ratio;
        imageSize_ = size;
        imageRatio_ = ratio;
    }
    // Frames made for the old size are made again.
    if (changed && composer_ && frameCount_ > 0) {
        ready_.clear();
        composer_->Forget();
        want();
    }
}

void TMoviePreview::keyPressEvent(QKeyEvent* event) {
    const auto key = event->key();
    if (key == Qt::Key_Space && !event->isAutoRepeat())
        playing_ ? Pause() : Play();
    else if (key == Qt::Key_Left)
        StepBack();
    else if (key == Qt::Key_Right)
        StepForward();
    else if (key == Qt::Key_Home)
        Seek(0);
    else if (key == Qt::Key_End)
        Seek(frameCount_ - 1);
    else if (key != Qt::Key_Space)
        return QWidget::keyPressEvent(event);
}

void TMoviePreview::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    static_cast<PreviewScreen*>(ImgMoviePreview)->keyed = true;
    ImgMoviePreview->update();
}

void TMoviePreview::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    static_cast<PreviewScreen*>(ImgMoviePreview)->keyed = false;
    ImgMoviePreview->update();
}

}  // namespace kalidor
