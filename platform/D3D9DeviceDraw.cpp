// Vertex processing and draw calls of the software device: vertices are read by their FVF layout,
// transformed (or taken as pre-transformed), lit when lighting is on, and handed to the rasteriser.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>

#include "platform/D3D9Internal.h"

namespace {

constexpr UINT maxPrimitives = 1u << 20;

struct FvfLayout {
    bool valid = false;
    bool pretransformed = false;
    UINT size = 0;
    int normal = -1, diffuse = -1, tex = -1;
    int texCount = 0;
};

FvfLayout parseFvf(DWORD fvf) {
    FvfLayout layout;
    DWORD position = fvf & D3DFVF_POSITION_MASK;
    if (position == D3DFVF_XYZ)
        layout.size = 12;
    else if (position == D3DFVF_XYZRHW) {
        layout.size = 16;
        layout.pretransformed = true;
    } else
        return layout;
    if ((fvf & 0xFFFF0000u) != 0) // only two-component texture coordinates are supported
        return layout;
    if (fvf & D3DFVF_NORMAL) {
        if (layout.pretransformed)
            return layout;
        layout.normal = (int)layout.size;
        layout.size += 12;
    }
    if (fvf & D3DFVF_PSIZE)
        layout.size += 4;
    if (fvf & D3DFVF_DIFFUSE) {
        layout.diffuse = (int)layout.size;
        layout.size += 4;
    }
    if (fvf & D3DFVF_SPECULAR)
        layout.size += 4;
    layout.texCount = (int)((fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT);
    if (layout.texCount > 8)
        return layout;
    if (layout.texCount > 0)
        layout.tex = (int)layout.size;
    layout.size += 8 * (UINT)layout.texCount;
    layout.valid = true;
    return layout;
}

UINT verticesFor(D3DPRIMITIVETYPE type, UINT primitives) {
    switch (type) {
    case D3DPT_POINTLIST: return primitives;
    case D3DPT_LINELIST: return primitives * 2;
    case D3DPT_TRIANGLELIST: return primitives * 3;
    case D3DPT_TRIANGLESTRIP: return primitives + 2;
    default: return 0;
    }
}

struct Matrix64 {
    double m[4][4];
};

Matrix64 toDouble(const D3DMATRIX &a) {
    Matrix64 r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = a.m[i][j];
    return r;
}

// Row vectors: the product applies a first.
Matrix64 multiply(const Matrix64 &a, const Matrix64 &b) {
    Matrix64 r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            double sum = 0;
            for (int k = 0; k < 4; ++k)
                sum += a.m[i][k] * b.m[k][j];
            r.m[i][j] = sum;
        }
    return r;
}

inline float readFloat(const uint8_t *p) {
    float f;
    std::memcpy(&f, p, 4);
    return f;
}

inline uint32_t readColor(const uint8_t *p) {
    uint32_t c;
    std::memcpy(&c, p, 4);
    return c;
}

// Clipping in clip space, where every attribute is linear: against w > 0, the near plane (z >= 0), the far
// plane (z <= w) and a guard band of that many viewports on every side, so that a primitive reaching far
// off screen keeps its visible part and its screen coordinates stay within the rasteriser's range; the
// viewport scissor does the rest.
constexpr double minimumW = 1e-9;
constexpr double guardBand = 64.0;
constexpr int clipPlaneCount = 7;

struct ClipVertex {
    double c[4];
    softraster::Vertex attributes; // colour and texture coordinates
};

double planeDistance(const double c[4], int plane) {
    switch (plane) {
    case 0: return c[3] - minimumW;
    case 1: return c[2];
    case 2: return c[3] - c[2];
    case 3: return guardBand * c[3] - c[0];
    case 4: return guardBand * c[3] + c[0];
    case 5: return guardBand * c[3] - c[1];
    default: return guardBand * c[3] + c[1];
    }
}

bool insideVolume(const double c[4]) {
    if (!(planeDistance(c, 0) > 0))
        return false;
    for (int plane = 1; plane < clipPlaneCount; ++plane)
        if (!(planeDistance(c, plane) >= 0))
            return false;
    return true;
}

ClipVertex lerpClip(const ClipVertex &a, const ClipVertex &b, double t) {
    ClipVertex r;
    for (int j = 0; j < 4; ++j)
        r.c[j] = a.c[j] + (b.c[j] - a.c[j]) * t;
    r.attributes = a.attributes;
    for (int ch = 0; ch < 4; ++ch)
        r.attributes.color[ch] = (float)(a.attributes.color[ch] + (b.attributes.color[ch] - a.attributes.color[ch]) * t);
    for (int s = 0; s < 2; ++s)
        for (int k = 0; k < 2; ++k)
            r.attributes.uv[s][k] = (float)(a.attributes.uv[s][k] + (b.attributes.uv[s][k] - a.attributes.uv[s][k]) * t);
    return r;
}

// Cuts a convex polygon by the clip planes (Sutherland-Hodgman); returns the vertex count.
int clipPolygon(std::vector<ClipVertex> &polygon) {
    std::vector<ClipVertex> out;
    for (int plane = 0; plane < clipPlaneCount && !polygon.empty(); ++plane) {
        out.clear();
        for (size_t i = 0; i < polygon.size(); ++i) {
            const ClipVertex &a = polygon[i], &b = polygon[(i + 1) % polygon.size()];
            double da = planeDistance(a.c, plane), db = planeDistance(b.c, plane);
            if (da >= 0)
                out.push_back(a);
            if ((da >= 0) != (db >= 0))
                out.push_back(lerpClip(a, b, da / (da - db)));
        }
        polygon.swap(out);
    }
    return (int)polygon.size();
}

Matrix64 transformOf(const std::map<DWORD, D3DMATRIX> &transforms, DWORD state) {
    auto found = transforms.find(state);
    return toDouble(found != transforms.end() ? found->second : d3d9detail::identityMatrix());
}

// Row vector (v, w) through m: w = 1 for a point, 0 for a direction.
void transformVector(const Matrix64 &m, const double v[3], double w, double out[3]) {
    for (int j = 0; j < 3; ++j)
        out[j] = v[0] * m.m[0][j] + v[1] * m.m[1][j] + v[2] * m.m[2][j] + w * m.m[3][j];
}

// A normal through the inverse transpose of m's upper 3x3: its cofactors over its determinant (the cofactor
// rows are the cross products of the other two rows). A singular matrix gives no normal.
void transformNormal(const Matrix64 &m, const double n[3], double out[3]) {
    auto cross = [&](int a, int b) {
        const double *p = m.m[a], *q = m.m[b];
        return std::array<double, 3>{p[1] * q[2] - p[2] * q[1], p[2] * q[0] - p[0] * q[2], p[0] * q[1] - p[1] * q[0]};
    };
    const std::array<double, 3> cofactors[3] = {cross(1, 2), cross(2, 0), cross(0, 1)};
    const double det = m.m[0][0] * cofactors[0][0] + m.m[0][1] * cofactors[0][1] + m.m[0][2] * cofactors[0][2];
    for (int j = 0; j < 3; ++j)
        out[j] = det != 0 ? (n[0] * cofactors[0][j] + n[1] * cofactors[1][j] + n[2] * cofactors[2][j]) / det : 0.0;
}

softraster::Arg toArg(DWORD value) {
    return value == D3DTA_TEXTURE ? softraster::Arg::texture
                                  : value == D3DTA_CURRENT ? softraster::Arg::current : softraster::Arg::diffuse;
}

D3DCOLORVALUE colorFromArgb(uint32_t c) {
    return {((c >> 16) & 0xFF) / 255.0f, ((c >> 8) & 0xFF) / 255.0f, (c & 0xFF) / 255.0f, (c >> 24) / 255.0f};
}

} // namespace

bool D3D9Device::drawingAllowed() const { return inScene_ && level_ == Level::ok && renderTarget_; }

softraster::DrawState D3D9Device::buildDrawState() {
    softraster::DrawState st;
    for (int s = 0; s < stageCount; ++s) {
        softraster::Stage &stage = st.stages[s];
        const DWORD *ss = stageStates_[s];
        stage.colorOp = (softraster::Op)ss[D3DTSS_COLOROP];
        stage.colorArg1 = toArg(ss[D3DTSS_COLORARG1]);
        stage.colorArg2 = toArg(ss[D3DTSS_COLORARG2]);
        stage.alphaOp = (softraster::Op)ss[D3DTSS_ALPHAOP];
        stage.alphaArg1 = toArg(ss[D3DTSS_ALPHAARG1]);
        stage.alphaArg2 = toArg(ss[D3DTSS_ALPHAARG2]);
        stage.texCoordIndex = (uint8_t)ss[D3DTSS_TEXCOORDINDEX];
        const DWORD *sam = samplerStates_[s];
        stage.sampler.filter = (sam[D3DSAMP_MAGFILTER] == D3DTEXF_LINEAR || sam[D3DSAMP_MINFILTER] == D3DTEXF_LINEAR)
                                   ? softraster::Filter::linear
                                   : softraster::Filter::point;
        stage.sampler.addressU = (softraster::Address)sam[D3DSAMP_ADDRESSU];
        stage.sampler.addressV = (softraster::Address)sam[D3DSAMP_ADDRESSV];
        stage.sampler.image = nullptr;
        if (textures_[s]) {
            D3D9Surface *level0 = static_cast<D3D9Texture *>(textures_[s])->level(0);
            if (level0 && level0 != renderTarget_) {
                level0->markSampled();
                stage.sampler.image = &level0->image();
            }
        }
    }
    st.blendEnable = renderStates_[D3DRS_ALPHABLENDENABLE] != FALSE;
    st.srcBlend = (softraster::Blend)renderStates_[D3DRS_SRCBLEND];
    st.dstBlend = (softraster::Blend)renderStates_[D3DRS_DESTBLEND];
    st.depthTest = renderStates_[D3DRS_ZENABLE] != D3DZB_FALSE && depthStencil_;
    st.depthWrite = st.depthTest && renderStates_[D3DRS_ZWRITEENABLE] != FALSE;
    st.depthFunc = (softraster::Compare)renderStates_[D3DRS_ZFUNC];
    st.clipX0 = (int)viewport_.X;
    st.clipY0 = (int)viewport_.Y;
    st.clipX1 = (int)(viewport_.X + viewport_.Width);
    st.clipY1 = (int)(viewport_.Y + viewport_.Height);
    return st;
}

// Fixed-function lighting of one vertex in world space: emissive + ambient + the enabled directional and
// point lights' diffuse and ambient terms. out is b, g, r, a in 0..255.
bool D3D9Device::lightVertex(const float position[3], const float *normal, const uint32_t *diffuse,
                             float out[4]) const {
    const bool colorVertex = renderStates_[D3DRS_COLORVERTEX] != FALSE && diffuse;
    auto source = [&](DWORD which, const D3DCOLORVALUE &materialColor) {
        return (colorVertex && which == D3DMCS_COLOR1) ? colorFromArgb(*diffuse) : materialColor;
    };
    D3DCOLORVALUE md = source(renderStates_[D3DRS_DIFFUSEMATERIALSOURCE], material_.Diffuse);
    D3DCOLORVALUE ma = source(renderStates_[D3DRS_AMBIENTMATERIALSOURCE], material_.Ambient);
    D3DCOLORVALUE me = source(renderStates_[D3DRS_EMISSIVEMATERIALSOURCE], material_.Emissive);
    D3DCOLORVALUE ambient = colorFromArgb(renderStates_[D3DRS_AMBIENT]);

    // As in Direct3D, lighting happens in camera space: the vertex goes through world and view, its normal
    // through the inverse transpose of that product (renormalised only when asked), the lights through the
    // view. A view that scales (a zoom) therefore changes distances and normals' lengths.
    const Matrix64 view = transformOf(transforms_, D3DTS_VIEW);
    const Matrix64 worldView = multiply(transformOf(transforms_, D3DTS_WORLD), view);
    const double objectPosition[3] = {position[0], position[1], position[2]};
    double wp[3], wn[3] = {0, 0, 0};
    transformVector(worldView, objectPosition, 1.0, wp);
    if (normal) {
        const double objectNormal[3] = {normal[0], normal[1], normal[2]};
        transformNormal(worldView, objectNormal, wn);
    }
    if (renderStates_[D3DRS_NORMALIZENORMALS]) {
        double len = std::sqrt(wn[0] * wn[0] + wn[1] * wn[1] + wn[2] * wn[2]);
        if (len > 0)
            for (double &c : wn)
                c /= len;
    }
    double rgb[3] = {me.r + ambient.r * ma.r, me.g + ambient.g * ma.g, me.b + ambient.b * ma.b};
    for (int i = 0; i < lightCount; ++i) {
        if (!lightEnabled_[i])
            continue;
        const D3DLIGHT9 &light = lights_[i];
        double dir[3], attenuation = 1.0;
        if (light.Type == D3DLIGHT_DIRECTIONAL) {
            const double direction[3] = {-light.Direction.x, -light.Direction.y, -light.Direction.z};
            transformVector(view, direction, 0.0, dir);
        } else {
            const double lightPosition[3] = {light.Position.x, light.Position.y, light.Position.z};
            double cameraPosition[3];
            transformVector(view, lightPosition, 1.0, cameraPosition);
            for (int j = 0; j < 3; ++j)
                dir[j] = cameraPosition[j] - wp[j];
            double d = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
            if (d > light.Range)
                continue;
            double denom = light.Attenuation0 + light.Attenuation1 * d + light.Attenuation2 * d * d;
            attenuation = denom > 0 ? 1.0 / denom : 1.0;
        }
        double len = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
        double ndotl = len > 0 ? (wn[0] * dir[0] + wn[1] * dir[1] + wn[2] * dir[2]) / len : 0.0;
        ndotl = std::max(0.0, ndotl);
        rgb[0] += attenuation * (light.Ambient.r * ma.r + light.Diffuse.r * md.r * ndotl);
        rgb[1] += attenuation * (light.Ambient.g * ma.g + light.Diffuse.g * md.g * ndotl);
        rgb[2] += attenuation * (light.Ambient.b * ma.b + light.Diffuse.b * md.b * ndotl);
    }
    auto channel = [](double v) { return (float)(std::clamp(v, 0.0, 1.0) * 255.0); };
    out[0] = channel(rgb[2]);
    out[1] = channel(rgb[1]);
    out[2] = channel(rgb[0]);
    out[3] = channel(md.a);
    return true;
}

HRESULT D3D9Device::drawVertices(D3DPRIMITIVETYPE type, UINT primitiveCount, const uint8_t *data, UINT stride,
                                 size_t available) {
    FvfLayout layout = parseFvf(fvf_);
    UINT count = verticesFor(type, primitiveCount);
    if (!layout.valid || count == 0 || primitiveCount == 0 || primitiveCount > maxPrimitives || stride < layout.size ||
        (uint64_t)(count - 1) * stride + layout.size > available)
        return D3DERR_INVALIDCALL;
    if (!drawingAllowed())
        return level_ != Level::ok ? D3DERR_DEVICELOST : D3DERR_INVALIDCALL;

    Matrix64 wvp{};
    if (!layout.pretransformed) {
        D3DMATRIX world, view, projection;
        GetTransform(D3DTS_WORLD, &world);
        GetTransform(D3DTS_VIEW, &view);
        GetTransform(D3DTS_PROJECTION, &projection);
        wvp = multiply(multiply(toDouble(world), toDouble(view)), toDouble(projection));
    }
    const bool lighting = !layout.pretransformed && renderStates_[D3DRS_LIGHTING] != FALSE;
    const double vx = viewport_.X, vy = viewport_.Y, vw = viewport_.Width, vh = viewport_.Height;
    const double minZ = viewport_.MinZ, maxZ = viewport_.MaxZ;

    vertexScratch_.resize(count);
    clipScratch_.resize(count);
    auto toScreen = [&](const double c[4], softraster::Vertex &v) {
        double inv = 1.0 / c[3];
        v.x = (float)(vx + (c[0] * inv + 1.0) * vw * 0.5);
        v.y = (float)(vy + (1.0 - c[1] * inv) * vh * 0.5);
        v.z = (float)(minZ + c[2] * inv * (maxZ - minZ));
        v.rhw = (float)inv;
    };
    for (UINT i = 0; i < count; ++i) {
        const uint8_t *p = data + (size_t)i * stride;
        softraster::Vertex &v = vertexScratch_[i];
        float pos[3] = {readFloat(p), readFloat(p + 4), readFloat(p + 8)};
        if (layout.pretransformed) {
            v.x = pos[0];
            v.y = pos[1];
            v.z = pos[2];
            v.rhw = readFloat(p + 12);
        } else {
            double *c = clipScratch_[i].data();
            for (int j = 0; j < 4; ++j)
                c[j] = pos[0] * wvp.m[0][j] + pos[1] * wvp.m[1][j] + pos[2] * wvp.m[2][j] + wvp.m[3][j];
            if (insideVolume(c))
                toScreen(c, v);
            else
                v.x = NAN; // outside: primitives using it are clipped below
        }
        uint32_t diffuse = layout.diffuse >= 0 ? readColor(p + layout.diffuse) : 0xFFFFFFFFu;
        if (lighting) {
            float normal[3];
            const float *normalPtr = nullptr;
            if (layout.normal >= 0) {
                for (int j = 0; j < 3; ++j)
                    normal[j] = readFloat(p + layout.normal + 4 * j);
                normalPtr = normal;
            }
            lightVertex(pos, normalPtr, layout.diffuse >= 0 ? &diffuse : nullptr, v.color);
        } else {
            for (int ch = 0; ch < 4; ++ch)
                v.color[ch] = (float)((diffuse >> (8 * ch)) & 0xFF);
        }
        for (int s = 0; s < 2; ++s) {
            bool present = s < layout.texCount;
            v.uv[s][0] = present ? readFloat(p + layout.tex + 8 * s) : 0.0f;
            v.uv[s][1] = present ? readFloat(p + layout.tex + 8 * s + 4) : 0.0f;
        }
    }

    softraster::DrawState st = buildDrawState();
    static_cast<D3D9Surface *>(renderTarget_)->markDrawn();
    const DWORD cull = renderStates_[D3DRS_CULLMODE];
    const std::vector<softraster::Vertex> &vs = vertexScratch_;
    auto inside = [&](UINT i) { return layout.pretransformed || !std::isnan(vs[i].x); };
    auto drawVisible = [&](const softraster::Vertex &a, const softraster::Vertex &b, const softraster::Vertex &c) {
        double area = ((double)b.x - a.x) * ((double)c.y - a.y) - ((double)c.x - a.x) * ((double)b.y - a.y);
        // With y pointing down, a positive area is a clockwise triangle on screen.
        if ((cull == D3DCULL_CW && area > 0) || (cull == D3DCULL_CCW && area < 0))
            return;
        core_->raster.drawTriangle(st, a, b, c);
    };
    std::vector<ClipVertex> polygon;
    auto triangle = [&](UINT a, UINT b, UINT c) {
        if (inside(a) && inside(b) && inside(c)) {
            drawVisible(vs[a], vs[b], vs[c]);
            return;
        }
        if (layout.pretransformed)
            return;
        polygon.clear();
        for (UINT i : {a, b, c}) {
            ClipVertex cv;
            std::copy(clipScratch_[i].begin(), clipScratch_[i].end(), cv.c);
            cv.attributes = vs[i];
            polygon.push_back(cv);
        }
        int n = clipPolygon(polygon);
        std::vector<softraster::Vertex> fan((size_t)n);
        for (int i = 0; i < n; ++i) {
            fan[i] = polygon[i].attributes;
            toScreen(polygon[i].c, fan[i]);
        }
        for (int i = 1; i + 1 < n; ++i)
            drawVisible(fan[0], fan[i], fan[i + 1]);
    };
    auto line = [&](UINT a, UINT b) {
        if (inside(a) && inside(b)) {
            core_->raster.drawLine(st, vs[a], vs[b]);
            return;
        }
        if (layout.pretransformed)
            return;
        ClipVertex ends[2];
        for (int e = 0; e < 2; ++e) {
            std::copy(clipScratch_[e ? b : a].begin(), clipScratch_[e ? b : a].end(), ends[e].c);
            ends[e].attributes = vs[e ? b : a];
        }
        for (int plane = 0; plane < clipPlaneCount; ++plane) {
            double d0 = planeDistance(ends[0].c, plane), d1 = planeDistance(ends[1].c, plane);
            if (d0 < 0 && d1 < 0)
                return;
            if (d0 < 0)
                ends[0] = lerpClip(ends[0], ends[1], d0 / (d0 - d1));
            else if (d1 < 0)
                ends[1] = lerpClip(ends[1], ends[0], d1 / (d1 - d0));
        }
        softraster::Vertex p0 = ends[0].attributes, p1 = ends[1].attributes;
        toScreen(ends[0].c, p0);
        toScreen(ends[1].c, p1);
        core_->raster.drawLine(st, p0, p1);
    };
    switch (type) {
    case D3DPT_POINTLIST:
        for (UINT i = 0; i < primitiveCount; ++i)
            if (inside(i))
                core_->raster.drawPoint(st, vs[i]);
        break;
    case D3DPT_LINELIST:
        for (UINT i = 0; i < primitiveCount; ++i)
            line(2 * i, 2 * i + 1);
        break;
    case D3DPT_TRIANGLELIST:
        for (UINT i = 0; i < primitiveCount; ++i)
            triangle(3 * i, 3 * i + 1, 3 * i + 2);
        break;
    case D3DPT_TRIANGLESTRIP:
        if (primitiveCount == 2 && cull == D3DCULL_NONE && inside(0) && inside(1) && inside(2) && inside(3)) {
            core_->raster.drawQuad(st, vs[0], vs[1], vs[2], vs[3]);
            break;
        }
        for (UINT i = 0; i < primitiveCount; ++i) {
            if (i % 2 == 0)
                triangle(i, i + 1, i + 2);
            else
                triangle(i + 1, i, i + 2);
        }
        break;
    default: return D3DERR_INVALIDCALL;
    }
    return D3D_OK;
}

HRESULT D3D9Device::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void *vertexData, UINT stride) {
    if (!vertexData)
        return D3DERR_INVALIDCALL;
    UINT count = verticesFor(type, primitiveCount);
    if (count == 0 || primitiveCount == 0 || primitiveCount > maxPrimitives)
        return D3DERR_INVALIDCALL;
    // The caller's array is trusted to hold the vertices the count asks for.
    HRESULT hr = drawVertices(type, primitiveCount, static_cast<const uint8_t *>(vertexData), stride,
                              (size_t)count * stride);
    // Like Direct3D, drawing from user memory unbinds stream 0.
    SetStreamSource(0, nullptr, 0, 0);
    return hr;
}

HRESULT D3D9Device::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
    auto *buffer = static_cast<D3D9VertexBuffer *>(stream_);
    if (!buffer || buffer->isLocked() || streamStride_ == 0)
        return D3DERR_INVALIDCALL;
    uint64_t start = (uint64_t)streamOffset_ + (uint64_t)startVertex * streamStride_;
    if (start >= buffer->size())
        return D3DERR_INVALIDCALL;
    return drawVertices(type, primitiveCount, buffer->bytes() + start, streamStride_, buffer->size() - start);
}
