#include "desktop/preview/preview_music.h"

#include "model/pic_object.h"

#include <QAudioDevice>
#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaDevices>
#include <QMediaPlayer>
#include <QUrl>

#include <cstdlib>

namespace kalidor {

PreviewMusic::PreviewMusic(QObject* parent) : QObject(parent) {}

void PreviewMusic::Load(const QString& path) {
    const bool playable = !path.isEmpty() && QFileInfo(path).isFile() && !QMediaDevices::audioOutputs().isEmpty();
    const QString wanted = playable ? path : QString();
    if (wanted == path_ && player_) return;
    path_ = wanted;
    failed_ = false;
    askedFor_.reset();
    if (path_.isEmpty()) {
        if (player_) player_->setSource(QUrl());
        return;
    }
    if (!player_) {
        player_ = new QMediaPlayer(this);
        player_->setAudioOutput(new QAudioOutput(player_));
        connect(player_, &QMediaPlayer::errorOccurred, this, [this] { failed_ = true; });
        // A position asked for before the music was loaded (or before it ended) is asked again.
        connect(player_, &QMediaPlayer::mediaStatusChanged, this, [this] { askedFor_.reset(); });
    }
    player_->setSource(QUrl::fromLocalFile(path_));
}

rules::MusicReadiness PreviewMusic::ReadyAt(std::int64_t ms) {
    using rules::MusicReadiness;
    if (!player_ || path_.isEmpty() || failed_) return MusicReadiness::None;
    switch (player_->mediaStatus()) {
    case QMediaPlayer::NoMedia:
    case QMediaPlayer::InvalidMedia: return MusicReadiness::None;
    case QMediaPlayer::LoadingMedia:
    case QMediaPlayer::BufferingMedia:
    case QMediaPlayer::StalledMedia: return MusicReadiness::Waiting;
    default: break;
    }
    // Music shorter than the movie has nothing to play past its end.
    if (player_->duration() > 0 && ms >= player_->duration()) return MusicReadiness::None;
    // Within a frame of the position: there.
    if (std::abs(player_->position() - ms) * FRAME_RATE < 1000) return MusicReadiness::Ready;
    if (askedFor_ != ms) {
        player_->setPosition(ms);
        askedFor_ = ms;
    }
    return MusicReadiness::Waiting;
}

void PreviewMusic::Play() {
    if (player_) player_->play();
}

void PreviewMusic::Pause() {
    if (player_ && player_->playbackState() == QMediaPlayer::PlayingState) player_->pause();
}

std::optional<std::int64_t> PreviewMusic::Heard() const {
    if (!player_ || failed_ || player_->playbackState() != QMediaPlayer::PlayingState ||
        player_->mediaStatus() == QMediaPlayer::EndOfMedia)
        return std::nullopt;
    return player_->position();
}

}  // namespace kalidor
