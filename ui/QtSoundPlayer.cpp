#include "ui/QtSoundPlayer.h"

#include "io/PcmWavFile.h"

#include <QAudioSink>
#include <QMediaDevices>

namespace ryx::ui {
namespace {

QByteArray padded(const PcmSound& sound) {
    const qsizetype frameBytes = static_cast<qsizetype>(sound.bytesPerFrame());
    const qsizetype padFrames = static_cast<qsizetype>(sound.sampleRate) * QtSoundPlayer::kPaddingMilliseconds / 1000;
    const char silence = sound.bitsPerSample == 8 ? char(0x80) : char(0);
    const QByteArray pad(padFrames * frameBytes, silence);
    QByteArray bytes;
    bytes.reserve(2 * pad.size() + static_cast<qsizetype>(sound.frames.size()));
    bytes.append(pad);
    bytes.append(reinterpret_cast<const char*>(sound.frames.data()), static_cast<qsizetype>(sound.frames.size()));
    bytes.append(pad);
    return bytes;
}

}  // namespace

QtSoundPlayer::QtSoundPlayer(QObject* parent) : QObject(parent) {
    releaseTimer_.setSingleShot(true);
    releaseTimer_.setInterval(kReleaseDelayMilliseconds);
    connect(&releaseTimer_, &QTimer::timeout, this, &QtSoundPlayer::releaseOutput);
}

QtSoundPlayer::~QtSoundPlayer() { close(); }

Result<> QtSoundPlayer::open(const std::string& fileName) {
    close();
    Result<PcmSound> read = readPcmWavFile(fileName);
    if (!read) return read.failureDetail();
    PcmSound& sound = *read;

    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) return Result<>::failure(kNoAudioDeviceMessage);
    QAudioFormat format;
    format.setSampleRate(static_cast<int>(sound.sampleRate));
    format.setChannelCount(sound.channels);
    format.setSampleFormat(sound.bitsPerSample == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
    if (!device.isFormatSupported(format)) {
        return Result<>::failure(fileName + ": the audio output device cannot play " +
                                        std::to_string(sound.bitsPerSample) + "-bit sound at " +
                                        std::to_string(sound.sampleRate) + " Hz");
    }

    device_ = device;
    format_ = format;
    sound_ = padded(sound);
    source_.setData(sound_);
    open_ = true;
    return {};
}

void QtSoundPlayer::play() {
    if (!open_ || isPlaying()) return;
    // Finished or never started: begin again from the start.
    releaseOutput();
    if (!source_.open(QIODevice::ReadOnly)) return;
    output_ = std::make_unique<QAudioSink>(device_, format_);
    connect(output_.get(), &QAudioSink::stateChanged, this, &QtSoundPlayer::outputStateChanged);
    output_->start(&source_);
    // A failed start does not always announce itself through stateChanged.
    if (output_->error() != QAudio::NoError) releaseOutput();
}

void QtSoundPlayer::close() {
    releaseOutput();
    open_ = false;
    source_.setData(QByteArray());
    sound_.clear();
}

bool QtSoundPlayer::isPlaying() const {
    return output_ && output_->state() == QAudio::ActiveState;
}

void QtSoundPlayer::releaseOutput() {
    releaseTimer_.stop();
    if (output_) {
        output_->disconnect(this);
        output_->stop();
        output_.reset();
    }
    if (source_.isOpen()) source_.close();
}

void QtSoundPlayer::outputStateChanged(QAudio::State state) {
    // Stopping at idle would cut off what the device still holds; let it run out.
    const bool failed = state == QAudio::StoppedState && output_ && output_->error() != QAudio::NoError;
    if (state == QAudio::IdleState || failed) releaseTimer_.start();
}

}  // namespace ryx::ui
