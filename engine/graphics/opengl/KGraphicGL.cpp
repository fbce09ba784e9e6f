// Pictures of the OpenGL renderer: the picture list, loading from files, memory and pixel arrays, the
// texture size and target rules, the upload and the drawing-state setters.
#include "engine/graphics/opengl/KGraphicGL.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "engine/graphics/opengl/KBatchGL.h"
#include "engine/graphics/opengl/KGraphicGLState.h"
#include "engine/graphics/opengl/KGraphicGLWindow.h"
#include "engine/resource/KResource.h"
#include "engine/system/KSystem.h"

namespace {

KObjectList pictureList;

uint32_t powerOfTwoAtLeast(uint32_t side) {
    uint32_t result = 1;
    while (result < side && result < (1u << 31))
        result <<= 1;
    return result;
}

GLint maxTextureSize() {
    GLint size = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &size);
    return size;
}

// Drops GL errors left by earlier calls, so that the next check sees only its own.
void clearGLErrors() {
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
}

} // namespace

const KObjectList &KGraphicGL::pictures() { return pictureList; }

KGraphicGLWindow *KGraphicGL::boundWindow() { return glRenderer().window; }

void KGraphicGL::bindWindow(KGraphicGLWindow *window) {
    KGraphicGLRenderer &renderer = glRenderer();
    renderer.window = window;
    std::fill(std::begin(renderer.targets), std::end(renderer.targets), nullptr);
    if (!window)
        return;
    resetGLStateCaches();
    pointArraysAtScratchQuad();
}

KGraphicGL::KGraphicGL() { pictureList.append(this); }

KGraphicGL::~KGraphicGL() {
    releaseImage();
    pictureList.unlink(this);
    freeImagePixels(&image);
    forgetBatchPictureGL(this);
}

const char *KGraphicGL::nameForMessages() const { return name.empty() ? "(pixels)" : name.c_str(); }

bool KGraphicGL::loadImageFile(const char *fileName, int32_t mode) {
    if (mode < 0 || mode > 2 || !fileName)
        return false;
    unsigned char *data = nullptr;
    uint32_t size = 0;
    if (mode != 2 && !KResource::loadResource(fileName, &data, &size)) {
        logMessage("OpenGL: couldn't read picture file %s, ERROR", fileName);
        return false;
    }
    bool loaded = loadImageFromMemory(fileName, data, size, mode);
    std::free(data);
    return loaded;
}

bool KGraphicGL::loadImageFromMemory(const char *fileName, const unsigned char *data, size_t size, int32_t mode) {
    if (mode < 0 || mode > 2)
        return false;
    if (mode != 2) {
        releaseImage();
        name = fileName ? fileName : "";
        fileFormat = fileName ? imageFormatFromFileName(fileName) : -1;
        if (fileFormat < 0 || !data || size > UINT32_MAX ||
            !decodeImage(fileFormat, data, (uint32_t)size, &image, fileName)) {
            logMessage("OpenGL: couldn't decode picture %s, ERROR", nameForMessages());
            return false;
        }
        powerOfTwo = image.isDecoded;
        alpha = image.hasAlpha;
        imageWidth = (float)image.width;
        imageHeight = (float)image.height;
        if (mode == 1)
            return true;
    }
    if (!image.pixels) {
        logMessage("OpenGL: no decoded pixels to upload for picture %s, ERROR", nameForMessages());
        return false;
    }
    bool uploaded = uploadImageRecord();
    freeImagePixels(&image);
    return uploaded;
}

bool KGraphicGL::createFromPixels(const uint32_t *pixels, int32_t width, int32_t height, bool powerOfTwoSides,
                                  bool hasAlpha) {
    if (!pixels || width <= 0 || height <= 0 || (uint64_t)width * (uint64_t)height > (1ull << 28)) {
        logMessage("OpenGL: refusing a picture of %d x %d pixels, ERROR", width, height);
        return false;
    }
    // A target given pixels becomes a plain picture.
    releaseTarget();
    powerOfTwo = powerOfTwoSides;
    alpha = hasAlpha;
    imageWidth = (float)width;
    imageHeight = (float)height;
    return uploadPixels(pixels, (uint64_t)width * (uint64_t)height * 4, (uint32_t)width, (uint32_t)height);
}

bool KGraphicGL::uploadImageRecord() {
    uint64_t bytes = image.isDecoded ? (uint64_t)image.width * image.height * 4
                                     : dxtBlockDataSize(image.format, image.width, image.height);
    return uploadPixels(image.pixels, bytes, image.width, image.height);
}

// Without the power-of-two flag the texture has the image's exact size. With it, each side is rounded up
// to a power of two when the window takes non-square textures (a rectangle texture when they differ),
// else both sides take the power of two of the larger one.
void KGraphicGL::chooseTextureSize(uint32_t width, uint32_t height, uint32_t minimumSide, uint32_t &textureWidth,
                                   uint32_t &textureHeight, GLenum &target) const {
    target = GL_TEXTURE_2D;
    if (!powerOfTwo && minimumSide <= 1) {
        textureWidth = width;
        textureHeight = height;
        return;
    }
    if (glRenderer().window->hasNonSquareTextureSupport()) {
        textureWidth = std::max(powerOfTwoAtLeast(width), minimumSide);
        textureHeight = std::max(powerOfTwoAtLeast(height), minimumSide);
        if (textureWidth != textureHeight)
            target = GL_TEXTURE_RECTANGLE;
    } else {
        textureWidth = textureHeight = std::max(powerOfTwoAtLeast(std::max(width, height)), minimumSide);
    }
}

bool KGraphicGL::uploadPixels(const void *pixels, uint64_t sourceBytes, uint32_t width, uint32_t height) {
    KGraphicGLRenderer &renderer = glRenderer();
    if (!renderer.window) {
        logMessage("OpenGL: no window to upload picture %s to, ERROR", nameForMessages());
        return false;
    }
    bool blocks = !image.isDecoded && image.pixels == pixels;
    uint32_t textureWidth, textureHeight;
    GLenum target;
    chooseTextureSize(width, height, 1, textureWidth, textureHeight, target);
    GLint largest = maxTextureSize();
    if (textureWidth > (uint32_t)largest || textureHeight > (uint32_t)largest) {
        logMessage("OpenGL: picture %s needs a %ux%u texture, larger than %d, ERROR", nameForMessages(),
                   textureWidth, textureHeight, (int)largest);
        deleteSubTextures(0);
        return false;
    }
    deleteSubTextures(1);
    subTextureCount = 1;

    if (blocks) {
        // DXT blocks go up in one piece, DXT1 or DXT5 as the image record says.
        uint64_t needed = dxtBlockDataSize(image.format, width, height);
        GLint internalFormat = image.format == kImageBlocksDxt1 ? GL_COMPRESSED_RGBA_S3TC_DXT1_EXT
                                                                : GL_COMPRESSED_RGBA_S3TC_DXT5_EXT;
        if ((image.format != kImageBlocksDxt1 && image.format != kImageBlocksDxt5) || needed > sourceBytes) {
            logMessage("OpenGL: picture %s has %llu bytes of blocks where %llu are needed, ERROR", nameForMessages(),
                       (unsigned long long)sourceBytes, (unsigned long long)needed);
            deleteSubTextures(0);
            return false;
        }
        return defineTexture(pixels, needed, width, height, GL_TEXTURE_2D, internalFormat);
    }
    if (sourceBytes < (uint64_t)width * height * 4) {
        logMessage("OpenGL: picture %s has too few pixels for %ux%u, ERROR", nameForMessages(), width, height);
        deleteSubTextures(0);
        return false;
    }
    // Rows of the texture's length; the texel just right of (and the row just below) an image narrower
    // (shorter) than its texture is zeroed, so that filtering at its edges blends in nothing stale.
    std::vector<uint32_t> &staging = renderer.staging;
    staging.resize((size_t)textureWidth * textureHeight);
    const uint32_t *source = static_cast<const uint32_t *>(pixels);
    for (uint32_t y = 0; y < height; ++y) {
        std::memcpy(&staging[(size_t)y * textureWidth], source + (size_t)y * width, (size_t)width * 4);
        if (width < textureWidth)
            staging[(size_t)y * textureWidth + width] = 0;
    }
    if (height < textureHeight)
        std::memset(&staging[(size_t)height * textureWidth], 0, (size_t)std::min(width + 1, textureWidth) * 4);
    return defineTexture(staging.data(), 0, textureWidth, textureHeight, target, alpha ? GL_RGBA : GL_RGB);
}

// Sub-texture 0 of this size, format and target is filled again in place (a video re-uploads every frame);
// otherwise a new texture is made. A texture GL refuses leaves the picture empty.
bool KGraphicGL::defineTexture(const void *data, uint64_t dataBytes, uint32_t textureWidth, uint32_t textureHeight,
                               GLenum target, GLint internalFormat) {
    SubTexture &texture = subTextures[0];
    bool compressed = dataBytes > 0;
    if (compressed && !glEntryPoints().compressedTexImage2D) {
        logMessage("OpenGL: no compressed textures for picture %s, ERROR", nameForMessages());
        deleteSubTextures(0);
        return false;
    }
    clearGLErrors();
    bool reuse = texture.id && texture.width == (float)textureWidth && texture.height == (float)textureHeight &&
                 texture.internalFormat == internalFormat && texture.target == target;
    markParametersDirty();
    if (reuse) {
        glBindTexture(target, texture.id);
        if (compressed)
            glEntryPoints().compressedTexImage2D(target, 0, (GLenum)internalFormat, (GLsizei)textureWidth,
                                                 (GLsizei)textureHeight, 0, (GLsizei)dataBytes, data);
        else
            glTexSubImage2D(target, 0, 0, 0, (GLsizei)textureWidth, (GLsizei)textureHeight, GL_BGRA,
                            GL_UNSIGNED_INT_8_8_8_8_REV, data);
    } else {
        deleteSubTextures(0);
        subTextureCount = 1;
        texture.width = (float)textureWidth;
        texture.height = (float)textureHeight;
        texture.internalFormat = internalFormat;
        texture.target = target;
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glGenTextures(1, &texture.id);
        glBindTexture(target, texture.id);
        if (compressed)
            glEntryPoints().compressedTexImage2D(target, 0, (GLenum)internalFormat, (GLsizei)textureWidth,
                                                 (GLsizei)textureHeight, 0, (GLsizei)dataBytes, data);
        else
            glTexImage2D(target, 0, internalFormat, (GLsizei)textureWidth, (GLsizei)textureHeight, 0, GL_BGRA,
                         GL_UNSIGNED_INT_8_8_8_8_REV, data);
    }
    GLenum error = glGetError();
    resetGLStateCaches();
    if (error != GL_NO_ERROR) {
        logMessage("OpenGL: texture of %ux%u refused (0x%X) for picture %s, ERROR", textureWidth, textureHeight,
                   (unsigned)error, nameForMessages());
        deleteSubTextures(0);
        return false;
    }
    return true;
}

void KGraphicGL::markParametersDirty() {
    for (SubTexture &texture : subTextures)
        texture.filterDirty = texture.wrapDirty = 1;
}

void KGraphicGL::deleteSubTextures(int first) {
    KGraphicGLRenderer &renderer = glRenderer();
    for (int i = first; i < kSubTextures; ++i) {
        SubTexture &texture = subTextures[i];
        if (!texture.id)
            continue;
        if (renderer.boundTexture == texture.id)
            unbindGLTexture();
        if (renderer.window)
            glDeleteTextures(1, &texture.id);
        texture = SubTexture();
    }
    if (first == 0)
        subTextureCount = 0;
}

void KGraphicGL::releaseImage() {
    releaseTarget();
    deleteSubTextures(0);
    freeImagePixels(&image);
}

float KGraphicGL::getTexCoordScaleU() {
    return subTextures[0].target == GL_TEXTURE_2D ? subTextures[0].width : 1.0f;
}

float KGraphicGL::getTexCoordScaleV() {
    return subTextures[0].target == GL_TEXTURE_2D ? subTextures[0].height : 1.0f;
}

void KGraphicGL::setSmoothFiltering(bool smooth) {
    filter = smooth ? GL_LINEAR : GL_NEAREST;
    for (SubTexture &texture : subTextures)
        texture.filterDirty = 1;
}

void KGraphicGL::setTextureAddressing(int32_t mode) {
    static const GLint modes[3] = {GL_CLAMP_TO_EDGE, GL_REPEAT, GL_MIRRORED_REPEAT};
    if (mode >= 0 && mode < 3)
        wrap = modes[mode];
    for (SubTexture &texture : subTextures)
        texture.wrapDirty = 1;
}

void KGraphicGL::setBlendPreset(int32_t preset) {
    static const GLenum presets[6][2] = {
        {GL_SRC_ALPHA, GL_ONE}, {GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA}, {GL_ONE, GL_ONE_MINUS_SRC_ALPHA},
        {GL_ZERO, GL_ONE_MINUS_SRC_ALPHA}, {GL_SRC_ALPHA, GL_ONE}, {GL_ZERO, GL_SRC_COLOR},
    };
    if (preset < 0 || preset >= 6)
        return;
    sourceBlend = presets[preset][0];
    destinationBlend = presets[preset][1];
}

void KGraphicGL::setBlendFactors(int32_t sourceFactor, int32_t destinationFactor) {
    static const GLenum factors[11] = {
        GL_ZERO,      GL_ONE,       GL_DST_COLOR,           GL_ONE_MINUS_DST_COLOR, GL_SRC_ALPHA,
        GL_ONE_MINUS_SRC_ALPHA,     GL_DST_ALPHA,           GL_ONE_MINUS_DST_ALPHA, GL_SRC_ALPHA_SATURATE,
        GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR,
    };
    auto known = [](int32_t factor) { return factor >= 0 && factor < 11; };
    sourceBlend = known(sourceFactor) ? factors[sourceFactor] : (GLenum)GL_SRC_ALPHA;
    destinationBlend = known(destinationFactor) ? factors[destinationFactor] : (GLenum)GL_ONE;
}

void KGraphicGL::setTintColor(float red, float green, float blue, float alphaValue) {
    const float values[4] = {red, green, blue, alphaValue};
    tinted = false;
    for (int i = 0; i < 4; ++i) {
        // NaN counts as 0.
        tint[i] = values[i] >= 1.0f ? 1.0f : values[i] > 0.0f ? values[i] : 0.0f;
        tinted = tinted || tint[i] < 1.0f;
    }
}
