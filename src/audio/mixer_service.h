// The mixer service: the flat set of operations the mixer backend calls on the game thread,
// with the table of channel handles, and the mixer's clock.
//
// A handle is a slot number (low 12 bits, 1 to 4095) OR'ed with the slot's generation; a
// handle of a past generation resolves to nothing and is ignored by every operation.
//
// Release rule: a handle from NewHandle is held by its caller until ReleaseHandle (the mixer
// backend's channel object calls it when it is destroyed). Its slot goes back to the free list
// once it is released and the last voice it carried has finished: at once when that voice is
// already stopped, else when the mixer hands the voice back. A one-shot on a released handle
// plays to its end; a loop or a paused sound, which would never end, is stopped. A temporary
// handle (a play without one) is held by nobody and is freed when its voice has finished,
// unless a sound is played on it again while it is still current: from then on it is held like
// a handle from NewHandle, by the channel that carries it. So a screen that takes channels and
// drops them gives their slots back, however often it does so.
#pragma once

#include <cstdint>

#include "audio/mixer.h"
#include "audio/mixer_pcm.h"
#include "audio/wave_output_device.h"

// Opens the mixer on the SDL wave output, or on the given device; 0 on success, -1 when the
// device does not open.
int32_t OpenMixer();
int32_t OpenMixer(TWaveOutputDeviceRef output);
// Stops mixing, closes the device and drops every voice and the handle table. Sounds made by
// CreatePcm stay valid until their last ReleasePcm.
void CloseMixer();
bool MixerIsOpen();

// A held handle, or 0 when all 4095 are in use.
int32_t NewHandle();
// Gives up a handle from NewHandle (see the release rule above).
void ReleaseHandle(int32_t handle);
// Plays pcm on the handle's channel (stopping what played there, and inheriting its
// parameters) or, with handle 0, on a fresh temporary handle. Returns the handle it plays on:
// 0 when no handle was free (it plays all the same) or when the start ring is full (it does not
// play). While the mixer is closed, or pcm is null, it returns handle unchanged.
int32_t PlayPcm(pcmdata* pcm, int32_t paused, int32_t handle);
void StopHandle(int32_t handle);
void PauseHandle(int32_t handle, int32_t paused);
void SetHandleVolume(int32_t handle, int16_t volume);
void SetHandlePan(int32_t handle, int16_t pan);
void SetHandleDepth(int32_t handle, int16_t depth);
void SetHandleRate(int32_t handle, int32_t rate);
// The status of the voice the handle names: 1 stopped, 2 once, 4 loop, plus 0x10 when
// paused; 0 when the handle does not resolve.
int32_t HandleStatus(int32_t handle);

// A pcmdata with one reference, or null when the mixer is closed or the layout cannot be
// played. Frames, when given, hold length frames and are copied.
pcmdata* CreatePcm(int32_t length, int32_t bits, int32_t channels, int32_t hz, const void* frames,
                   int32_t loop);
// Drops one reference; the last one frees the sound. Works whether or not the mixer is open.
void ReleasePcm(pcmdata* pcm);

// The millisecond clock that voices are stamped with and start delays are counted on. By
// default the system driver's clock (or a steady clock when there is no driver); a test may
// put its own. Both threads read it.
void SetMixerClock(mixer::TClock clock);
int32_t MixerClock();

// For tests: the number of voices the service has made, and the device while open.
int32_t MixerVoiceCount();
class waveoutdevice;
waveoutdevice* MixerDevice();
