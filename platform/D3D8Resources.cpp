// The resource faces of Direct3D 8: surfaces, textures and vertex buffers answer for the device objects
// they stand for, and find their way back to those objects when they are handed to the device.
#include "platform/D3D8Internal.h"

D3D9Surface *objectOf(IDirect3DSurface8 *surface) {
    return surface ? static_cast<D3D8Surface *>(surface)->object() : nullptr;
}

D3D9Texture *objectOf(IDirect3DBaseTexture8 *texture) {
    return texture ? static_cast<D3D8Texture *>(static_cast<IDirect3DTexture8 *>(texture))->object() : nullptr;
}

D3D9VertexBuffer *objectOf(IDirect3DVertexBuffer8 *buffer) {
    return buffer ? static_cast<D3D8VertexBuffer *>(buffer)->object() : nullptr;
}

IDirect3DDevice8 *deviceFace(IDirect3DDevice9 *device) {
    return faceOf<D3D8Device>(static_cast<D3D9Device *>(device));
}

IDirect3DSurface8 *surfaceFace(IDirect3DSurface9 *surface) {
    return faceOf<D3D8Surface>(static_cast<D3D9Surface *>(surface));
}

namespace {

// GetDevice of every resource face: the device's own answer, turned to its face.
template <typename Object> HRESULT handOutDeviceFace(Object *object, IDirect3DDevice8 **device) {
    if (!device)
        return D3DERR_INVALIDCALL;
    *device = nullptr;
    IDirect3DDevice9 *inner = nullptr;
    HRESULT result = object->GetDevice(&inner);
    if (SUCCEEDED(result))
        *device = deviceFace(inner);
    return result;
}

} // namespace

HRESULT D3D8Surface::GetDevice(IDirect3DDevice8 **device) { return handOutDeviceFace(surface_, device); }

HRESULT D3D8Texture::GetDevice(IDirect3DDevice8 **device) { return handOutDeviceFace(texture_, device); }

HRESULT D3D8VertexBuffer::GetDevice(IDirect3DDevice8 **device) { return handOutDeviceFace(buffer_, device); }

HRESULT D3D8Texture::GetSurfaceLevel(UINT level, IDirect3DSurface8 **surface) {
    if (!surface)
        return D3DERR_INVALIDCALL;
    *surface = nullptr;
    IDirect3DSurface9 *inner = nullptr;
    HRESULT result = texture_->GetSurfaceLevel(level, &inner);
    if (SUCCEEDED(result))
        *surface = surfaceFace(inner);
    return result;
}
