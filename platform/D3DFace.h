#pragma once
// A second interface over one object of the software device: the Direct3D 8 face of a Direct3D 9 device,
// texture, surface or vertex buffer. The face is made on first use, lives exactly as long as the object
// it stands for and shares its reference count, so either face may release what the other handed out.

#include <memory>

class D3DFaceCompanion {
public:
    virtual ~D3DFaceCompanion() = default;
};

// Mixed into every object that can be reached through a second face.
class D3DFaceHolder {
public:
    D3DFaceCompanion *face() const { return face_.get(); }
    void setFace(std::unique_ptr<D3DFaceCompanion> face) { face_ = std::move(face); }

private:
    std::unique_ptr<D3DFaceCompanion> face_;
};
