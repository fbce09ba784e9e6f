#pragma once
// Ogg Vorbis encoding with libvorbisenc, shared by the content tools and the suites that make sounds:
// interleaved float samples (-1..1) in, the bytes of an Ogg Vorbis file out (VBR at a quality).

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace tool {

// The encoded file; empty when the encoder refuses the rate, the channel count or the quality.
inline std::vector<unsigned char> encodeOggVorbis(const std::vector<float> &samples, int rate, int channels,
                                                  float quality = 0.5f, int serial = 20251207) {
    std::vector<unsigned char> out;
    vorbis_info info;
    vorbis_info_init(&info);
    if (channels < 1 || vorbis_encode_init_vbr(&info, channels, rate, quality) != 0) {
        vorbis_info_clear(&info);
        return out;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, serial);

    auto appendPage = [&out](const ogg_page &page) {
        out.insert(out.end(), page.header, page.header + page.header_len);
        out.insert(out.end(), page.body, page.body + page.body_len);
    };
    ogg_packet header, commentPacket, codebooks;
    vorbis_analysis_headerout(&dsp, &comment, &header, &commentPacket, &codebooks);
    ogg_stream_packetin(&stream, &header);
    ogg_stream_packetin(&stream, &commentPacket);
    ogg_stream_packetin(&stream, &codebooks);
    ogg_page page;
    while (ogg_stream_flush(&stream, &page))
        appendPage(page);

    const size_t frames = samples.size() / size_t(channels);
    const size_t chunk = 1024;
    size_t start = 0;
    for (;;) {
        const size_t count = std::min(chunk, frames - start);
        if (count > 0) {
            float **buffer = vorbis_analysis_buffer(&dsp, static_cast<int>(count));
            for (size_t i = 0; i < count; i++)
                for (int c = 0; c < channels; c++)
                    buffer[c][i] = samples[(start + i) * size_t(channels) + size_t(c)];
        }
        vorbis_analysis_wrote(&dsp, static_cast<int>(count)); // 0 marks the end of the stream
        start += count;
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page))
                    appendPage(page);
            }
        }
        if (count == 0)
            break;
    }
    while (ogg_stream_flush(&stream, &page))
        appendPage(page);
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return out;
}

} // namespace tool
