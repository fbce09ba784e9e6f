#pragma once
// Recording stand-ins for a font's page pictures and the text batch: the batch keeps every glyph quad it
// is given (with the picture it was started with), so text tests check what would be drawn where. A
// font with records from a real description gets these pages installed instead of loaded pictures.

#include <string>
#include <vector>

#include "engine/graphics/KBatch.h"
#include "engine/graphics/KGraphic.h"
#include "engine/text/KText.h"

class KGraphicRecorder : public KGraphic {
public:
    explicit KGraphicRecorder(int id = 0) : id(id) {}
    int id;
    float tint[4] = {-1, -1, -1, -1};
    int32_t blendPreset = -1;
    bool smooth = false;

    bool loadImageFile(const char *, int32_t) override { return true; }
    bool loadImageFromMemory(const char *, const unsigned char *, size_t, int32_t) override { return true; }
    bool createFromPixels(const uint32_t *, int32_t, int32_t, bool, bool) override { return true; }
    void releaseImage() override {}
    bool createRenderTarget(int32_t, int32_t, bool, bool, bool) override { return false; }
    void requestTargetClear() override {}
    void beginRenderToTarget() override {}
    void endRenderToTarget() override {}
    bool takeTargetLostFlag() override { return false; }
    bool copyFromBackBuffer() override { return false; }
    float getImageWidth() override { return 512; }
    float getImageHeight() override { return 512; }
    float getTextureWidth() override { return 512; }
    float getTextureHeight() override { return 512; }
    void setSmoothFiltering(bool value) override { smooth = value; }
    void setBlendPreset(int32_t preset) override { blendPreset = preset; }
    void setBlendFactors(int32_t, int32_t) override {}
    void setTextureAddressing(int32_t) override {}
    void setTintColor(float r, float g, float b, float a) override {
        tint[0] = r;
        tint[1] = g;
        tint[2] = b;
        tint[3] = a;
    }
    void drawPoint(float, float, float, float, float, float) override {}
    void drawLine(float, float, float, float, float, float, float, float) override {}
    void fillRect(float, float, float, float, float, float, float, float) override {}
    void fillQuad(float, float, float, float, float, float, float, float, float, float, float, float) override {}
    void drawImageRect(float, float, float, float, int16_t, int16_t, bool, bool) override {}
    void drawImageRectTransformed(float, float, float, float, int16_t, int16_t, float, float, bool, bool, float,
                                  float) override {}
    void drawImageRectBlended(float, float, float, float, int16_t, int16_t, bool, bool) override {}
    void drawImageRectBlendedTransformed(float, float, float, float, int16_t, int16_t, float, float, float, bool,
                                         bool, float, float) override {}
    void drawImageToQuad(float, float, float, float, float, float, float, float, float, float, float, float, float,
                         float, float, float) override {}
    void drawImageRectStretched(float, float, float, float, float, float, float, float, float, float, bool, bool,
                                float, float) override {}
    void drawImageRectF(float, float, float, float, float, float, bool, bool) override {}
    void drawImageRectTransformedF(float, float, float, float, float, float, float, float, bool, bool, float,
                                   float) override {}
    void drawImageRectBlendedF(float, float, float, float, float, float, bool, bool) override {}
    void drawImageRectBlendedTransformedF(float, float, float, float, float, float, float, float, float, bool, bool,
                                          float, float) override {}
    void drawImageRectMasked(float, float, float, float, KGraphic *, float, float, float, float, float, float, float,
                             float, bool, bool) override {}
    float getTexCoordScaleU() override { return 1; }
    float getTexCoordScaleV() override { return 1; }
    ImageData *getImageData() override { return nullptr; }
    bool readTargetPixels(int32_t, int32_t, int32_t, int32_t, uint32_t *) override { return false; }
};

// One glyph quad as the batch received it.
struct RecordedQuad {
    int page;       // id of the picture the batch was started with
    float sx1, sy1, sx2, sy2;
    float dx, dy;
    float zoom, alpha, pivotX, pivotY;
    float quad[8]; // destination corners of addImageToQuad
};

class KBatchRecorder : public KBatch {
public:
    std::vector<RecordedQuad> quads;
    std::vector<std::string> calls; // "start N", "flush"
    int started = -1;

    bool allocateVertices(int32_t count, int32_t) override {
        allocated = count;
        return true;
    }
    int32_t allocated = 0;
    void releaseBuffers() override {}
    void startBatch(KGraphic *picture) override {
        started = picture ? static_cast<KGraphicRecorder *>(picture)->id : -1;
        calls.push_back("start " + std::to_string(started));
    }
    void flushBatch() override {
        calls.push_back("flush");
        started = -1;
    }
    void addTriangle(float, float, float, float, float, float, float, float, float, float) override {}
    void addFilledRect(float, float, float, float, float, float, float, float) override {}
    void addImageRect(float, float, float, float, float, float, bool, bool) override {}
    void addImageRectTransformed(float, float, float, float, float, float, float, float, float, bool, bool, float,
                                 float) override {}
    void addImageRectScaled(float sx1, float sy1, float sx2, float sy2, float dx, float dy, float zoom, float alpha,
                            float pivotX, float pivotY) override {
        quads.push_back({started, sx1, sy1, sx2, sy2, dx, dy, zoom, alpha, pivotX, pivotY, {}});
    }
    void addImageToQuad(const float source[8], const float destination[8]) override {
        RecordedQuad q{started, source[0], source[1], source[4], source[5], destination[0], destination[1], 1, 1, 0,
                       0, {}};
        std::copy(destination, destination + 8, q.quad);
        quads.push_back(q);
    }
    void addPerspectiveTriangle(const float[6], const float[12]) override {}
    void addShadedPerspectiveTriangle(const float[6], const float[15]) override {}
    void addColoredPerspectiveTriangle(const float[6], const float[21]) override {}
    void lockStaticVertices() override {}
    void setStaticVertex(int32_t, float, float, float, float, float, float, float, float) override {}
    void unlockStaticVertices() override {}
    void drawStaticVertices(int32_t, int32_t, KGraphic *) override {}
    bool takeBufferLostFlag() override { return false; }
};

// A font whose page pictures are recorders, drawing into a recording text batch for its lifetime.
class RecordedFont : public KText {
public:
    RecordedFont() {
        savedBatch_ = textBatch;
        textBatch = &batch;
        for (int i = 0; i < kTextPageCount; i++) {
            recorders_[i].id = i;
        }
    }
    ~RecordedFont() override {
        for (KGraphic *&page : pages)
            page = nullptr;
        textBatch = savedBatch_;
    }
    // Installs recorder pictures for the first `count` pages.
    void installPages(int count) {
        for (int i = 0; i < count && i < kTextPageCount; i++) {
            pages[i] = &recorders_[i];
            ownsPage[i] = 0;
        }
    }
    KGraphicRecorder &recorder(int page) { return recorders_[page]; }
    KBatchRecorder batch;

private:
    KGraphicRecorder recorders_[kTextPageCount];
    KBatch *savedBatch_;
};
