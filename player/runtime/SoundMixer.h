#pragma once
// The process's one mixer: a thread of its own that owns the one wave-out
// device (44,100 Hz, 2 channels, 16 bits) and keeps several buffers queued,
// writing the next only when one completes. Every waveOut call happens on
// that thread. While any movie is loaded it writes, silence included, so that
// a host that paces itself on the sound written always gets a buffer.
//
// The thread starts with the first movie loaded and ends with the last one
// unloaded, so that it is never started or waited for in the module's attach
// or detach while the system's loader holds its lock.

// A loaded movie's hold on the mixer.
class SoundUse {
public:
    SoundUse();
    ~SoundUse();
    SoundUse(const SoundUse&) = delete;
    SoundUse& operator=(const SoundUse&) = delete;
};

// From the module's attach and detach; the detach ends the thread if uses
// were left behind.
void StartSoundMixer();
void StopSoundMixer();

// Bytes per buffer and buffers kept queued.
inline constexpr unsigned SoundBufferBytes = 4 * 4096;
inline constexpr unsigned SoundBuffersQueued = 4;
