#pragma once
// The sound player on Qt's audio output: Open reads the WAV file whole,
// Play feeds it from memory, Close stops and forgets it. No file stays open.

#include "ui/SoundPlayer.h"

#include <QAudio>
#include <QAudioDevice>
#include <QAudioFormat>
#include <QBuffer>
#include <QByteArray>
#include <QObject>
#include <QTimer>

#include <memory>

class QAudioSink;

namespace ryx::ui {

inline constexpr char kNoAudioDeviceMessage[] = "No audio output device is available";

class QtSoundPlayer final : public QObject, public SoundPlayer {
    Q_OBJECT
public:
    // Silence before and after the sound, so the device plays all of it.
    static constexpr int kPaddingMilliseconds = 60;
    // How long the output stays open after the sound has run out: the
    // device still holds its tail then.
    static constexpr int kReleaseDelayMilliseconds = 400;

    explicit QtSoundPlayer(QObject* parent = nullptr);
    ~QtSoundPlayer() override;

    Result<> open(const std::string& fileName) override;
    void play() override;
    void close() override;

    bool isOpen() const { return open_; }
    bool isPlaying() const;

private:
    void releaseOutput();
    void outputStateChanged(QAudio::State state);

    bool open_ = false;
    QAudioDevice device_;
    QAudioFormat format_;
    QByteArray sound_;  // padded PCM frames
    QBuffer source_;
    std::unique_ptr<QAudioSink> output_;
    QTimer releaseTimer_;
};

}  // namespace ryx::ui
