#pragma once
// The sound-buffer interface the engine plays through: a sound object, one primary buffer that stands
// for the output device (44100 Hz, 16-bit stereo) and secondary buffers, each a looping ring of PCM in
// its own format. platform/ mixes every playing secondary buffer into the SDL audio device.

#include "platform/WinTypes.h"

#define WAVE_FORMAT_PCM 1

struct WAVEFORMATEX {
    WORD wFormatTag;
    WORD nChannels;
    DWORD nSamplesPerSec;
    DWORD nAvgBytesPerSec;
    WORD nBlockAlign;
    WORD wBitsPerSample;
    WORD cbSize;
};

struct DSBUFFERDESC {
    DWORD dwSize;
    DWORD dwFlags;
    DWORD dwBufferBytes;
    DWORD dwReserved;
    WAVEFORMATEX *lpwfxFormat;
};

// Buffer capabilities. Only the primary flag changes behaviour here: every secondary buffer is mixed
// in software, has volume and pan, and keeps playing without focus.
#define DSBCAPS_PRIMARYBUFFER 0x00000001u
#define DSBCAPS_LOCSOFTWARE 0x00000008u
#define DSBCAPS_CTRLPAN 0x00000040u
#define DSBCAPS_CTRLVOLUME 0x00000080u
#define DSBCAPS_GLOBALFOCUS 0x00008000u
#define DSBCAPS_GETCURRENTPOSITION2 0x00010000u

#define DSSCL_NORMAL 1
#define DSSCL_PRIORITY 2

#define DSBPLAY_LOOPING 0x00000001u

#define DSBSTATUS_PLAYING 0x00000001u
#define DSBSTATUS_BUFFERLOST 0x00000002u
#define DSBSTATUS_LOOPING 0x00000004u

#define DSBLOCK_FROMWRITECURSOR 0x00000001u
#define DSBLOCK_ENTIREBUFFER 0x00000002u

// Volume in hundredths of a decibel of attenuation; pan in hundredths of a decibel taken off the
// opposite side (negative pans to the left).
#define DSBVOLUME_MIN (-10000)
#define DSBVOLUME_MAX 0
#define DSBPAN_LEFT (-10000)
#define DSBPAN_CENTER 0
#define DSBPAN_RIGHT 10000

#define DSBSIZE_MIN 4
#define DSBSIZE_MAX 0x0FFFFFFFu

#define DS_OK S_OK
#define DSERR_INVALIDPARAM E_INVALIDARG
#define DSERR_OUTOFMEMORY E_OUTOFMEMORY
#define DSERR_ALLOCATED ((HRESULT)0x8878000AL)
#define DSERR_INVALIDCALL ((HRESULT)0x88780032L)
#define DSERR_BADFORMAT ((HRESULT)0x88780064L)
#define DSERR_NODRIVER ((HRESULT)0x88780078L)
#define DSERR_BUFFERLOST ((HRESULT)0x88780096L)

// A secondary buffer: a ring of bytes that plays from its play cursor, once or looping. The write
// cursor runs ahead of the play cursor by the mixer's latency (bytes the mixer may already have
// taken) and wraps with it. Lock hands out one region, or two when it wraps past the end.
struct IDirectSoundBuffer {
    virtual ULONG Release() = 0;
    virtual HRESULT GetCurrentPosition(DWORD *playCursor, DWORD *writeCursor) = 0;
    virtual HRESULT GetStatus(DWORD *status) = 0;
    virtual HRESULT GetVolume(LONG *volume) = 0;
    virtual HRESULT GetPan(LONG *pan) = 0;
    virtual HRESULT GetFormat(WAVEFORMATEX *format, DWORD bytes, DWORD *written) = 0;
    virtual HRESULT Lock(DWORD offset, DWORD bytes, void **first, DWORD *firstBytes, void **second,
                         DWORD *secondBytes, DWORD flags) = 0;
    virtual HRESULT Play(DWORD reserved, DWORD priority, DWORD flags) = 0;
    virtual HRESULT SetCurrentPosition(DWORD position) = 0;
    virtual HRESULT SetFormat(const WAVEFORMATEX *format) = 0;
    virtual HRESULT SetVolume(LONG volume) = 0;
    virtual HRESULT SetPan(LONG pan) = 0;
    virtual HRESULT Stop() = 0;
    virtual HRESULT Unlock(void *first, DWORD firstBytes, void *second, DWORD secondBytes) = 0;

protected:
    virtual ~IDirectSoundBuffer() = default;
};
typedef IDirectSoundBuffer *LPDIRECTSOUNDBUFFER;

// The sound device. Creating it opens the audio output; releasing it closes the output.
struct IDirectSound {
    virtual ULONG Release() = 0;
    virtual HRESULT CreateSoundBuffer(const DSBUFFERDESC *description, IDirectSoundBuffer **buffer,
                                      void *outer) = 0;
    virtual HRESULT DuplicateSoundBuffer(IDirectSoundBuffer *original, IDirectSoundBuffer **duplicate) = 0;
    virtual HRESULT SetCooperativeLevel(HWND window, DWORD level) = 0;

protected:
    virtual ~IDirectSound() = default;
};
typedef IDirectSound *LPDIRECTSOUND;

// Test hook (see platform/README.md): the next `count` Play calls of secondary buffers report DSERR_BUFFERLOST
// and play nothing, as when the system has taken a buffer's memory. 0 cancels what is left.
void dsoundHooksLoseBuffers(int count);

// Opens the default output (device null). Fails with DSERR_NODRIVER when no audio output can be opened.
HRESULT DirectSoundCreate(const GUID *device, IDirectSound **sound, void *outer);
