#include "engine/image/KImageHandlerJpg.h"

#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include <jerror.h>

#include "engine/image/KImageSupport.h"
#include "engine/system/KSystem.h"

// libjpeg reports errors through error_exit, which here jumps back to the decode or encode function, so
// those functions hold no objects with destructors, and what they change after setjmp is volatile.

namespace {

struct JpegErrorManager {
    jpeg_error_mgr library;
    jmp_buf recovery;
};

void jumpToRecovery(j_common_ptr common) {
    longjmp(reinterpret_cast<JpegErrorManager *>(common->err)->recovery, 1);
}

void installErrorManager(j_common_ptr common, JpegErrorManager &manager) {
    common->err = jpeg_std_error(&manager.library);
    manager.library.error_exit = jumpToRecovery;
}

struct MemorySource {
    jpeg_source_mgr library;
    const uint8_t *data;
    size_t size;
};

const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

void initSource(j_decompress_ptr decompressor) {
    auto *source = reinterpret_cast<MemorySource *>(decompressor->src);
    source->library.next_input_byte = source->data;
    source->library.bytes_in_buffer = source->size;
}

// Called only when the decoder wants more than the whole file: the file was cut short.
boolean fillInputBuffer(j_decompress_ptr decompressor) {
    std::fprintf(stderr, "jmem_src: fill_input_buffer: should not be called.\n");
    WARNMS(decompressor, JWRN_JPEG_EOF);
    decompressor->src->next_input_byte = kEndOfImage;
    decompressor->src->bytes_in_buffer = 2;
    return TRUE;
}

// A skip past the end ends the data once; a corrupt marker length must not flood the log with refills.
void skipInputData(j_decompress_ptr decompressor, long count) {
    if (count <= 0)
        return;
    jpeg_source_mgr *source = decompressor->src;
    if (size_t(count) > source->bytes_in_buffer) {
        fillInputBuffer(decompressor);
        return;
    }
    source->next_input_byte += count;
    source->bytes_in_buffer -= size_t(count);
}

void termSource(j_decompress_ptr) {}

struct MemoryDestination {
    jpeg_destination_mgr library;
    uint8_t *buffer;
    size_t size;
};

void initDestination(j_compress_ptr compressor) {
    auto *destination = reinterpret_cast<MemoryDestination *>(compressor->dest);
    if (!destination->buffer) {
        std::fprintf(stderr, "jmem_dest: init_destination: buffer not allocated\n");
        ERREXIT(compressor, JERR_BUFFER_SIZE);
    }
    destination->library.next_output_byte = destination->buffer;
    destination->library.free_in_buffer = destination->size;
}

boolean emptyOutputBuffer(j_compress_ptr compressor) {
    std::fprintf(stderr, "jmem_dest: empty_output_buffer: buffer should not ever be full\n");
    ERREXIT(compressor, JERR_BUFFER_SIZE);
    return FALSE;
}

void termDestination(j_compress_ptr compressor) {
    auto *destination = reinterpret_cast<MemoryDestination *>(compressor->dest);
    long written = long(destination->size - destination->library.free_in_buffer);
    std::fprintf(stderr, "jmem_dest: term_destination: datacount %li\n", written);
}

// Components the library's default output would have: 1 grey, 3 colour, 4 for CMYK and YCCK.
int defaultComponents(const jpeg_decompress_struct &decompressor) {
    switch (decompressor.out_color_space) {
    case JCS_GRAYSCALE: return 1;
    case JCS_RGB: return 3;
    default: return decompressor.num_components;
    }
}

} // namespace

void jpegMemorySource(j_decompress_ptr decompressor, const uint8_t *data, size_t size) {
    if (!decompressor->src)
        decompressor->src = static_cast<jpeg_source_mgr *>((*decompressor->mem->alloc_small)(
            reinterpret_cast<j_common_ptr>(decompressor), JPOOL_PERMANENT, sizeof(MemorySource)));
    auto *source = reinterpret_cast<MemorySource *>(decompressor->src);
    source->library.init_source = initSource;
    source->library.fill_input_buffer = fillInputBuffer;
    source->library.skip_input_data = skipInputData;
    source->library.resync_to_restart = jpeg_resync_to_restart;
    source->library.term_source = termSource;
    source->library.next_input_byte = nullptr;
    source->library.bytes_in_buffer = 0;
    source->data = data;
    source->size = data ? size : 0;
}

void jpegMemoryDestination(j_compress_ptr compressor, uint8_t *buffer, size_t size) {
    if (!buffer) {
        std::fprintf(stderr, "jpeg_memory_dest: memory buffer needs to be allocated\n");
        ERREXIT(compressor, JERR_BUFFER_SIZE);
    }
    if (!compressor->dest)
        compressor->dest = static_cast<jpeg_destination_mgr *>((*compressor->mem->alloc_small)(
            reinterpret_cast<j_common_ptr>(compressor), JPOOL_PERMANENT, sizeof(MemoryDestination)));
    auto *destination = reinterpret_cast<MemoryDestination *>(compressor->dest);
    destination->library.init_destination = initDestination;
    destination->library.empty_output_buffer = emptyOutputBuffer;
    destination->library.term_destination = termDestination;
    destination->buffer = buffer;
    destination->size = size;
}

bool KImageHandlerJpg::decode(const uint8_t *data, uint32_t size, ImageData *record) {
    jpeg_decompress_struct decompressor;
    JpegErrorManager errors;
    uint32_t *volatile pixels = nullptr;
    JSAMPLE *volatile row = nullptr;
    installErrorManager(reinterpret_cast<j_common_ptr>(&decompressor), errors);
    if (setjmp(errors.recovery)) {
        std::free(pixels);
        std::free(row);
        jpeg_destroy_decompress(&decompressor);
        return false;
    }
    jpeg_create_decompress(&decompressor);
    jpegMemorySource(&decompressor, data, size);
    jpeg_read_header(&decompressor, TRUE);

    const int components = defaultComponents(decompressor);
    if (components != 1 && components != 3) {
        logMessage("Jpeg: unsupported number of color components (%d)", components);
        jpeg_destroy_decompress(&decompressor);
        return false;
    }
    if (!imagesupport::checkImageSize("Jpeg", decompressor.image_width, decompressor.image_height)) {
        jpeg_destroy_decompress(&decompressor);
        return false;
    }
    // Colour goes straight into the pixel words (blue, green, red, then an opaque filler byte).
    if (components == 3)
        decompressor.out_color_space = JCS_EXT_BGRX;
    jpeg_start_decompress(&decompressor);
    const uint32_t width = decompressor.output_width, height = decompressor.output_height;
    pixels = imagesupport::allocatePixels("Jpeg", width, height);
    if (!pixels) {
        jpeg_destroy_decompress(&decompressor);
        return false;
    }
    if (components == 1) {
        row = static_cast<JSAMPLE *>(std::malloc(width));
        if (!row) {
            std::free(pixels);
            jpeg_destroy_decompress(&decompressor);
            return false;
        }
    }
    while (decompressor.output_scanline < height) {
        uint32_t *target = pixels + size_t(decompressor.output_scanline) * width;
        JSAMPROW line = components == 1 ? row : reinterpret_cast<JSAMPROW>(target);
        // The source never suspends; a missing row is left to finish_decompress to report.
        if (jpeg_read_scanlines(&decompressor, &line, 1) != 1)
            break;
        if (components == 1)
            for (uint32_t x = 0; x < width; x++)
                target[x] = imagesupport::packArgb(255, row[x], row[x], row[x]);
    }
    jpeg_finish_decompress(&decompressor);
    std::free(row);
    jpeg_destroy_decompress(&decompressor);

    imagesupport::storeDecodedPixels(record, width, height, false, pixels);
    return true;
}

bool KImageHandlerJpg::encode(uint8_t **outData, uint32_t *outSize, const ImageData *record, int32_t quality) {
    const uint32_t width = record->width, height = record->height;
    if (!imagesupport::checkEncodable("Jpeg", record))
        return false;
    jpeg_compress_struct compressor;
    JpegErrorManager errors;
    uint8_t *volatile buffer = nullptr;
    JSAMPLE *volatile row = nullptr;
    installErrorManager(reinterpret_cast<j_common_ptr>(&compressor), errors);
    // A library error must not end the game: it fails this encoding only.
    if (setjmp(errors.recovery)) {
        char message[JMSG_LENGTH_MAX];
        (*errors.library.format_message)(reinterpret_cast<j_common_ptr>(&compressor), message);
        logMessage("Jpeg: encoding failed: %s", message);
        std::free(buffer);
        std::free(row);
        jpeg_destroy_compress(&compressor);
        return false;
    }
    jpeg_create_compress(&compressor);
    const size_t capacity = size_t(width) * height * 6 + 4096;
    buffer = static_cast<uint8_t *>(std::malloc(capacity));
    row = static_cast<JSAMPLE *>(std::malloc(size_t(width) * 3 + 1));
    jpegMemoryDestination(&compressor, buffer, capacity);
    compressor.image_width = width;
    compressor.image_height = height;
    compressor.input_components = 3;
    compressor.in_color_space = JCS_RGB;
    jpeg_set_defaults(&compressor);
    jpeg_set_quality(&compressor, quality, TRUE);
    jpeg_start_compress(&compressor, TRUE);
    if (!row)
        ERREXIT(&compressor, JERR_OUT_OF_MEMORY);
    while (compressor.next_scanline < height) {
        const uint8_t *source = record->pixels + size_t(compressor.next_scanline) * width * 4;
        for (uint32_t x = 0; x < width; x++, source += 4) {
            row[3 * x] = source[0];
            row[3 * x + 1] = source[1];
            row[3 * x + 2] = source[2];
        }
        JSAMPROW line = row;
        jpeg_write_scanlines(&compressor, &line, 1);
    }
    jpeg_finish_compress(&compressor);
    const size_t written = capacity - compressor.dest->free_in_buffer;
    std::free(row);
    jpeg_destroy_compress(&compressor);
    *outData = buffer;
    *outSize = uint32_t(written);
    return true;
}
