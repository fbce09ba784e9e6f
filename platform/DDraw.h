#pragma once
// DirectDraw 7, as far as the engine asks it: the total video memory of the display adapter.

#include "platform/WinTypes.h"

#define DDSCAPS_VIDEOMEMORY 0x00004000L
#define DD_OK S_OK
#define DDERR_INVALIDPARAMS E_INVALIDARG

struct DDSCAPS2 {
    DWORD dwCaps, dwCaps2, dwCaps3, dwCaps4;
};

struct IDirectDraw7 {
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;
    virtual HRESULT GetAvailableVidMem(DDSCAPS2 *caps, DWORD *total, DWORD *free) = 0;

protected:
    virtual ~IDirectDraw7() = default;
};

extern const GUID IID_IDirectDraw7;

// Makes the DirectDraw object; guid must be null (the primary display) and iid IID_IDirectDraw7.
HRESULT DirectDrawCreateEx(GUID *guid, void **directDraw, const GUID &iid, void *outer);
