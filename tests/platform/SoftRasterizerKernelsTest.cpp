// The per-pixel kernels: every vector set gives the portable kernels' pixels for every operation, factor
// pair and run length (whole vectors, partial ones, none), from any alignment.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "platform/SoftRasterizerKernels.h"

using namespace softraster;
using namespace softraster::kernels;

namespace {

constexpr int lengths[] = {0, 1, 3, 4, 7, 8, 9, 15, 16, 17, 31, 33, 64, 129, 1801};
constexpr int longest = 1801;

// Sources and destinations with runs of fully transparent and fully opaque pixels among random ones, so
// that the vector kernels' shortcuts for whole vectors of either are taken too. One pixel in, so that
// nothing is aligned.
struct Pixels {
    std::vector<uint32_t> src, dst, other;
    std::vector<uint8_t> mask;
    std::vector<int64_t> u, v;
    std::vector<uint32_t> texels;
    Image texture{};

    Pixels() {
        std::mt19937 random(7);
        for (auto *values : {&src, &dst, &other}) {
            values->resize(longest + 1);
            for (uint32_t &p : *values)
                p = random();
        }
        for (int i = 40; i < 80; ++i)
            src[i] &= 0x00FFFFFFu;
        for (int i = 100; i < 140; ++i)
            src[i] |= 0xFF000000u;
        mask.resize(longest + 1);
        for (uint8_t &m : mask)
            m = random() % 3 != 0;
        texels.resize(13 * 11);
        for (uint32_t &t : texels)
            t = random();
        texture = Image{texels.data(), 13, 11, 13, 0, 1};
        // Per-pixel texel coordinates reaching outside the texture on every side.
        for (int i = 0; i <= longest; ++i) {
            u.push_back((int64_t)(random() % (40 << 16)) - (14 << 16));
            v.push_back((int64_t)(random() % (36 << 16)) - (12 << 16));
        }
    }
};

const Pixels &pixels() {
    static Pixels p;
    return p;
}

using Operation = std::function<void(int n, uint32_t *dst)>;

struct Case {
    std::string name;
    Operation run;
};

std::vector<Case> cases() {
    const Pixels &p = pixels();
    const uint32_t *src = p.src.data() + 1, *other = p.other.data() + 1;
    const uint8_t *mask = p.mask.data() + 1;
    std::vector<Case> all = {
        {"fill", [](int n, uint32_t *dst) { fillRun(dst, n, 0x80FF2001u); }},
        {"copy", [=](int n, uint32_t *dst) { copyRun(src, dst, n, nullptr, 0); }},
        {"copy opaque", [=](int n, uint32_t *dst) { copyRun(src, dst, n, nullptr, 0xFF000000u); }},
        {"copy masked", [=](int n, uint32_t *dst) { copyRun(src, dst, n, mask, 0xFF000000u); }},
        {"modulate", [=](int n, uint32_t *dst) { modulateRun(src, other, n, dst); }},
        {"modulate in place", [=](int n, uint32_t *dst) { modulateRun(dst, src, n, dst); }},
        {"modulate constant", [=](int n, uint32_t *dst) { modulateRunConstant(src, 0x80C04020u, n, dst); }},
        {"modulate white", [=](int n, uint32_t *dst) { modulateRunConstant(src, 0xFFFFFFFFu, n, dst); }},
    };
    for (int sf = 1; sf <= 11; ++sf)
        for (int df = 1; df <= 11; ++df) {
            std::string pair = std::to_string(sf) + "/" + std::to_string(df);
            Blend s = (Blend)sf, d = (Blend)df;
            all.push_back({"blend " + pair, [=](int n, uint32_t *dst) { blendRun(s, d, src, dst, n, nullptr, 0); }});
            all.push_back({"blend opaque target " + pair,
                           [=](int n, uint32_t *dst) { blendRun(s, d, src, dst, n, nullptr, 0xFF000000u); }});
            all.push_back({"blend masked " + pair, [=](int n, uint32_t *dst) { blendRun(s, d, src, dst, n, mask, 0); }});
            for (uint32_t color : {0x00123456u, 0xFF654321u, 0x80FF8040u})
                all.push_back({"blend constant " + pair, [=](int n, uint32_t *dst) {
                                   blendRunConstant(s, d, color, dst, n, 0xFF000000u);
                               }});
        }
    for (Filter filter : {Filter::point, Filter::linear})
        for (Address address : {Address::wrap, Address::mirror, Address::clamp}) {
            Sampler sampler{&p.texture, filter, address, address};
            std::string name = std::string(filter == Filter::linear ? "linear" : "point") + " " +
                               std::to_string((int)address);
            TexelRun perPixel{p.u.data() + 1, p.v.data() + 1};
            all.push_back({"sample " + name, [=](int n, uint32_t *dst) { sampleRun(sampler, perPixel, n, dst); }});
            // Affine runs: one inside the texture, one across its edges.
            TexelRun inside{nullptr, nullptr, true, 3 << 16 | 0x3456, 1234, 2 << 16 | 0x1234, 2345};
            TexelRun across{nullptr, nullptr, true, -(5 << 16) | 0x777, 23456, 4 << 16, -5432};
            all.push_back({"sample inside " + name, [=](int n, uint32_t *dst) {
                               sampleRun(sampler, inside, std::min(n, 64), dst);
                           }});
            all.push_back({"sample across " + name, [=](int n, uint32_t *dst) { sampleRun(sampler, across, n, dst); }});
            // Unrotated runs: one row pair, going right or left, and on a row exactly.
            for (int64_t du : {87381, -65536 * 3 / 4, 131072}) {
                TexelRun level{nullptr, nullptr, true, 5 << 16 | 0x2345, du / 8, 3 << 16 | 0x4567, 0};
                TexelRun onRow{nullptr, nullptr, true, 6 << 16, du / 8, (2 << 16) - 128, 0};
                all.push_back({"sample level " + name + " " + std::to_string(du), [=](int n, uint32_t *dst) {
                                   sampleRun(sampler, level, std::min(n, 64), dst);
                                   sampleRun(sampler, onRow, std::min(n, 64), dst + std::min(n, 64));
                               }});
            }
        }
    return all;
}

std::vector<uint32_t> runWith(KernelSet set, const Case &c, int n) {
    EXPECT_TRUE(selectKernelSet(set));
    std::vector<uint32_t> dst = pixels().dst;
    c.run(n, dst.data() + 1);
    return dst;
}

} // namespace

TEST(SoftRasterizerKernels, EveryVectorSetGivesThePortablePixels) {
    const KernelSet chosen = activeKernelSet();
    std::vector<KernelSet> sets = availableKernelSets();
    ASSERT_EQ(sets.front(), KernelSet::portable);
#if defined(__x86_64__)
    ASSERT_GE(sets.size(), 2u) << "SSE2 is always there on x86-64";
#endif
    for (const Case &c : cases())
        for (int n : lengths) {
            std::vector<uint32_t> reference = runWith(KernelSet::portable, c, n);
            for (KernelSet set : sets)
                ASSERT_EQ(runWith(set, c, n), reference) << c.name << ", " << n << " pixels, " << kernelSetName(set);
        }
    selectKernelSet(chosen);
}

// Unrotated runs filter the row pair once per column and then across the columns: every sample is still
// the four texels around it filtered rows first (bilinearPixel), for steps up to two texels, on both sides
// of zero, with and without a vertical weight and on a texture whose alpha reads opaque.
TEST(SoftRasterizerKernels, LevelRunsGiveTheFourTexelFilterOfEverySample) {
    std::mt19937 random(11);
    std::vector<uint32_t> texels(300 * 4);
    for (uint32_t &t : texels)
        t = random();
    const KernelSet chosen = activeKernelSet();
    for (uint32_t alphaOr : {0u, 0xFF000000u}) {
        const Image texture{texels.data(), 300, 4, 300, alphaOr, 1};
        const Sampler sampler{&texture, Filter::linear, Address::clamp, Address::clamp};
        for (int64_t du : {1, 40000, 65536, 87381, 131072, -87381, -131072})
            for (int64_t v0 : {int64_t(1 << 16), (int64_t(1) << 16) + 0x80, int64_t(0x1A3F0)}) {
                const int n = 100;
                const int64_t u0 = du > 0 ? 0x9876 : (280 << 16) + 0x9876;
                std::vector<uint32_t> expected(n);
                for (int i = 0; i < n; ++i) {
                    const int64_t tu = (u0 + du * i + 128) >> 8, tv = (v0 + 128) >> 8;
                    const uint32_t *row = texels.data() + (tv >> 8) * 300 + (tu >> 8);
                    expected[i] = bilinearPixel(row[0] | alphaOr, row[1] | alphaOr, row[300] | alphaOr,
                                                row[301] | alphaOr, tu & 255, tv & 255);
                }
                const TexelRun run{nullptr, nullptr, true, u0, du, v0, 0};
                for (KernelSet set : availableKernelSets()) {
                    ASSERT_TRUE(selectKernelSet(set));
                    std::vector<uint32_t> out(n);
                    sampleRun(sampler, run, n, out.data());
                    ASSERT_EQ(out, expected) << kernelSetName(set) << " du " << du << " v0 " << v0 << " or " << alphaOr;
                }
            }
    }
    selectKernelSet(chosen);
}

// A run that crosses the picture's edge takes the fast way for its samples inside and the addressing modes
// for the others: every sample is what it is when each one is addressed on its own.
TEST(SoftRasterizerKernels, RunsAcrossTheEdgeGiveEachSampleItsAddressedTexel) {
    const Pixels &p = pixels();
    const struct {
        int64_t u0, du, v0, dv;
    } runs[] = {
        {-(3 << 16) - 0x1234, 40000, 5 << 16, 0},       {(11 << 16) + 0x800, 30000, 4 << 16, 0},
        {(15 << 16), -50000, (2 << 16) + 7, 0},        {(2 << 16), 0, -(2 << 16), 9000},
        {-(2 << 16), 17000, (12 << 16), -21000},       {(6 << 16) + 0x80, 0, (5 << 16) + 0x80, 0},
        {-(40 << 16), 65536, 3 << 16, 0},             {(3 << 16) - 128, 1, (2 << 16) - 129, 0},
        // Onto the last column and row that still have a neighbour, one 65536th at a time.
        {(12 << 16) - 178, 1, 2 << 16, 0},            {2 << 16, 0, (10 << 16) - 178, 1},
    };
    for (Filter filter : {Filter::point, Filter::linear})
        for (Address address : {Address::wrap, Address::mirror, Address::clamp}) {
            const Sampler sampler{&p.texture, filter, address, address};
            for (const auto &r : runs) {
                const int n = 100;
                std::vector<int64_t> u(n), v(n);
                for (int i = 0; i < n; ++i) {
                    u[i] = r.u0 + r.du * i;
                    v[i] = r.v0 + r.dv * i;
                }
                std::vector<uint32_t> affine(n), addressed(n);
                sampleRun(sampler, TexelRun{nullptr, nullptr, true, r.u0, r.du, r.v0, r.dv}, n, affine.data());
                sampleRun(sampler, TexelRun{u.data(), v.data()}, n, addressed.data());
                ASSERT_EQ(affine, addressed) << "filter " << (int)filter << " address " << (int)address << " u0 " << r.u0
                                             << " du " << r.du;
            }
        }
}

// The environment is read at the first draw of a process, so each choice is checked in a process of its
// own: the kernel set's number is the exit code.
TEST(SoftRasterizerKernels, TheEnvironmentChoosesTheSetAndAnUnknownNameTheDefault) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    auto chosenWith = [](const char *name) {
        setenv("LANTERNFALL_RASTER_KERNELS", name, 1);
        std::exit((int)activeKernelSet());
    };
    EXPECT_EXIT(chosenWith("portable"), testing::ExitedWithCode((int)KernelSet::portable), "");
    std::vector<KernelSet> sets = availableKernelSets();
    KernelSet best = sets.back(), usual = best == KernelSet::avx512 ? KernelSet::avx2 : best;
    EXPECT_EXIT(chosenWith("avx512"), testing::ExitedWithCode((int)best), "");
    EXPECT_EXIT(chosenWith("none of them"), testing::ExitedWithCode((int)usual), "");
#if defined(__x86_64__)
    EXPECT_EXIT(chosenWith("sse2"), testing::ExitedWithCode((int)KernelSet::sse2), "");
#endif
}
