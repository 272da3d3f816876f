#pragma once
// The music of the preview: the project's music file, loaded as soon as the preview knows it so
// that a play can start at once, moved to the position a play starts from, and its position as
// heard, which is the clock the picture follows while it plays. Without a sound device, without
// music, or with music that cannot be played, there is none and the preview plays silent.

#include "desktop_rules/preview_clock.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>

class QMediaPlayer;

namespace kalidor {

class PreviewMusic : public QObject {
    Q_OBJECT
public:
    explicit PreviewMusic(QObject* parent);

    // The music to play along; an empty path: none.
    void Load(const QString& path);
    // Whether the music can be heard from `ms` of the movie now; when it is loaded but elsewhere
    // it is moved there, and is ready once it stands there.
    rules::MusicReadiness ReadyAt(std::int64_t ms);
    void Play();
    void Pause();
    // The position heard, in milliseconds, while it plays; nothing when it is paused, has ended
    // or failed.
    std::optional<std::int64_t> Heard() const;

private:
    QMediaPlayer* player_ = nullptr;  // made for the first music, then kept
    QString path_;
    bool failed_ = false;                  // the backend could not play path_
    std::optional<std::int64_t> askedFor_;  // the position last asked for since the player's state changed
};

}  // namespace kalidor
