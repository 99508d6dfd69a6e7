// Colour reduction measured against ImageMagick and netpbm on the same
// pictures: PSNR against the source, ours at least as close as the peer's
// or within the margin stated for a method that is coarser by design.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "dither_fixture.h"

namespace {

const std::string kMagick = kConvert + " ";

Picture GreyOf(const Picture& p) {
    Picture g;
    g.width = p.width, g.height = p.height, g.channels = 1;
    for (size_t i = 0; i < p.data.size(); i += 3)
        g.data.push_back(static_cast<uint8_t>((5 * p.data[i + 1] + 2 * p.data[i] + p.data[i + 2] + 4) >> 3));
    return g;
}

void Compare(const char* what, double ours, double peer, double margin) {
    std::printf("  %s: ours %.2f dB, peer %.2f dB\n", what, ours, peer);
    EXPECT_GE(ours, peer - margin) << what;
}

class PeerReduction : public ::testing::Test {
protected:
    void SetUp() override {
        plasma_ = MakePlasma(256, 256, 11);
        ASSERT_EQ(plasma_.width, 256);
    }
    Picture plasma_;
};

TEST_F(PeerReduction, FloydSteinbergToTheFixedPalette) {
    // The remap palette is our fixed 256-colour palette as a picture.
    Picture palette;
    palette.width = 256, palette.height = 1, palette.channels = 3;
    for (const RGBQUAD& e : FixedPalette256) palette.data.insert(palette.data.end(), {e.rgbRed, e.rgbGreen, e.rgbBlue});
    std::string map = TestTempPath("peer_fixed256.ppm");
    WriteFileBytes(map, ToPnm(palette));
    Picture peer = RunPeer(plasma_, kMagick + "{in} -dither FloydSteinberg -remap " + map + " -depth 8 {out}", "fs256");

    OwnedBitmap rec;
    StorePicture(rec.rec, plasma_, 24, K_TOP_DOWN);
    ASSERT_EQ(K_DitherBitmap(rec.get(), 1, 8), K_OK);
    Compare("Floyd-Steinberg, fixed 256 colours", Psnr(ColorsOf(rec.rec), plasma_), Psnr(peer, plasma_), 0.0);
}

TEST_F(PeerReduction, FloydSteinbergToBlackAndWhite) {
    Picture grey = GreyOf(plasma_);
    // pamditherbw adds brightness in linear light: encoding the levels
    // first makes it diffuse the same quantities as we do.
    Picture netpbm = RunPeer(grey,
                             "pnmgamma -lineartobt709 {in} | pamditherbw -fs | pamtopnm > {tmp}.pbm && " + kMagick +
                                 "{tmp}.pbm -depth 8 {out}",
                             "fsbw");
    Picture magick = RunPeer(grey,
                             kMagick + "-size 1x1 xc:black xc:white +append {tmp}.ppm && " + kMagick +
                                 "{in} -dither FloydSteinberg -remap {tmp}.ppm -depth 8 {out}",
                             "fsbw_im");
    ASSERT_EQ(netpbm.data.size(), grey.data.size());
    ASSERT_EQ(magick.data.size(), grey.data.size());
    OwnedBitmap rec;
    StorePicture(rec.rec, GreyAsRgb(grey), 24, K_TOP_DOWN);
    ASSERT_EQ(K_DitherBitmap(rec.get(), 1, 1), K_OK);
    Picture ours = GreyOf(ColorsOf(rec.rec));
    // Pixel by pixel, and as the eye sees it (blurred). The peers diffuse
    // in serpentine order, ours left to right on every row.
    Compare("Floyd-Steinberg, black and white vs pamditherbw", Psnr(ours, grey), Psnr(netpbm, grey), 0.0);
    Compare("Floyd-Steinberg, black and white vs -remap", Psnr(ours, grey), Psnr(magick, grey), 0.0);
    Picture eye = Blurred(grey);
    Compare("blurred, vs pamditherbw", Psnr(Blurred(ours), eye), Psnr(Blurred(netpbm), eye), 0.5);
    Compare("blurred, vs -remap", Psnr(Blurred(ours), eye), Psnr(Blurred(magick), eye), 0.5);
}

TEST_F(PeerReduction, OptimizedPaletteOf256Colours) {
    OwnedBitmap source, target;
    StorePicture(source.rec, plasma_, 24, K_TOP_DOWN);
    ASSERT_EQ(K_OptimizeBitmap(source.get(), target.get(), 0, 256), K_OK);
    Picture netpbm = RunPeer(
        plasma_, "pnmcolormap 256 {in} > {tmp}.map && pnmremap -nofloyd -mapfile={tmp}.map {in} > {out}", "cmap");
    Picture magick = RunPeer(plasma_, kMagick + "{in} +dither -colors 256 -depth 8 {out}", "colors");
    ASSERT_EQ(netpbm.data.size(), plasma_.data.size());
    ASSERT_EQ(magick.data.size(), plasma_.data.size());

    // The palette itself, each pixel sent to its nearest entry, is as good
    // as the peers'.
    std::vector<RGBQUAD> palette = PaletteOf(target.rec);
    Picture nearest = plasma_;
    for (size_t i = 0; i < nearest.data.size(); i += 3) {
        int best = 1 << 30, bi = 0;
        for (int k = 0; k < 256; ++k) {
            int dr = plasma_.data[i] - palette[k].rgbRed, dg = plasma_.data[i + 1] - palette[k].rgbGreen,
                db = plasma_.data[i + 2] - palette[k].rgbBlue;
            if (dr * dr + dg * dg + db * db < best) best = dr * dr + dg * dg + db * db, bi = k;
        }
        nearest.data[i] = palette[bi].rgbRed, nearest.data[i + 1] = palette[bi].rgbGreen,
        nearest.data[i + 2] = palette[bi].rgbBlue;
    }
    Compare("optimized palette, nearest entry vs pnmcolormap", Psnr(nearest, plasma_), Psnr(netpbm, plasma_), 0.5);
    Compare("optimized palette, nearest entry vs -colors", Psnr(nearest, plasma_), Psnr(magick, plasma_), 0.5);

    // The operation sends each colour to the entry of its own box (one
    // look-up a pixel), not to the nearest entry: coarser by design, by
    // up to 3 dB on this picture.
    double ours = Psnr(ColorsOf(target.rec), plasma_);
    Compare("optimized 256, no dither vs pnmcolormap", ours, Psnr(netpbm, plasma_), 3.0);
    Compare("optimized 256, no dither vs -colors", ours, Psnr(magick, plasma_), 3.0);

    OwnedBitmap diffused;
    ASSERT_EQ(K_OptimizeBitmap(source.get(), diffused.get(), 1, 256), K_OK);
    Picture netpbmFs = RunPeer(
        plasma_, "pnmcolormap 256 {in} > {tmp}.map && pnmremap -floyd -mapfile={tmp}.map {in} > {out}", "cmapfs");
    Compare("optimized 256, Floyd-Steinberg vs pnmremap -floyd", Psnr(ColorsOf(diffused.rec), plasma_),
            Psnr(netpbmFs, plasma_), 2.0);
}

}  // namespace
