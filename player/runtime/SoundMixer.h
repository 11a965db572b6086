#pragma once
// The process's one mixer: a thread of its own that owns the one wave-out
// device (44,100 Hz, 2 channels, 16 bits) and keeps several buffers queued,
// writing the next only when one completes. Every waveOut call happens on
// that thread. While any movie is loaded it writes, silence included, so that
// a host that paces itself on the sound written always gets a buffer.
//
// Every loaded movie's sound is mixed in: decoded and added up on that thread,
// so the movies' own threads never wait on it.
//
// The thread starts with the first movie loaded and ends with the last one
// unloaded, so that it is never started or waited for in the module's attach
// or detach while the system's loader holds its lock.

#include "MovieSound.h"

// A loaded movie's hold on the mixer, which mixes its sound meanwhile. Made
// before the movie's first frame: it returns once the device is open (or
// known not to open), so that the movie's first sounds are heard.
class SoundUse {
public:
    explicit SoundUse(tvmplayer::MovieSound& sound);
    ~SoundUse();
    SoundUse(const SoundUse&) = delete;
    SoundUse& operator=(const SoundUse&) = delete;

private:
    tvmplayer::MovieSound& sound_;
};

// From the module's attach and detach; the detach ends the thread if uses
// were left behind and frees the sound libraries.
void StartSoundMixer();
void StopSoundMixer();

// Bytes per buffer and buffers kept queued.
inline constexpr unsigned SoundBufferBytes = 4 * 4096;
inline constexpr unsigned SoundBuffersQueued = 4;
