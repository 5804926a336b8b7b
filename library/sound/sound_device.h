// The DirectSound object that sound effects, streamed waves and module music
// share, its primary buffer, and the DirectSound headers as the sound code
// sees them (DirectX 7 declarations).
#pragma once

#ifndef DIRECTSOUND_VERSION
#define DIRECTSOUND_VERSION 0x0700
#endif
#include <windows.h>
#include <mmsystem.h>
#include <dsound.h>

// Null while DirectSound is not initialised.
extern LPDIRECTSOUND glpDS;
// The primary buffer; null when it could not be created.
extern LPDIRECTSOUNDBUFFER glpDSBPrimary;

// The secondary-buffer frequency range, in hertz.
constexpr DWORD kSoundFrequencyMin = 100;
constexpr DWORD kSoundFrequencyMax = 100000;
