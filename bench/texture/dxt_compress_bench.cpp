// Block compression of generated 1024x1024 images: libsquish at the quality pressmill
// uses (cluster fit) against stb's DXT encoder (high quality mode) on the same images,
// for DXT1 (opaque images) and DXT5 (images with alpha). Reports the time per megapixel
// of each, their ratio, and the mean colour and alpha error of each against the source
// (per channel, 0..255). For information; there is no goal.
//
//   dxt_compress_bench [COUNT] [fast|normal|best]   COUNT images (default 200)
//
// Times are wall-clock and processor time: libsquish compresses an image on every core
// (OpenMP), stb on one. The whole conversion of an image as pressmill does it (mipmaps
// and tags as well) is timed for DXT1 too.
#include <stb_dxt.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "lib/texture/pixel_codec.h"
#include "lib/texture/pressmill/paa_writer.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kSide = 1024;

// A photo-like image: soft gradients, a few discs and edges, fine noise; with `alpha`
// a noisy alpha mask of soft and hard edges.
RgbaImage Generate(int index, bool alpha) {
  std::mt19937 rng(static_cast<unsigned>(index) * 7919u + 1u);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  double phase[6];
  for (double& p : phase) p = unit(rng) * 6.28;
  struct Disc {
    double x, y, r;
    uint8_t rgb[3];
  } discs[12];
  for (Disc& d : discs) {
    d.x = unit(rng) * kSide, d.y = unit(rng) * kSide, d.r = 20 + unit(rng) * 150;
    for (uint8_t& c : d.rgb) c = static_cast<uint8_t>(unit(rng) * 255);
  }
  std::normal_distribution<double> noise(0.0, 6.0);
  RgbaImage image{kSide, kSide, std::vector<uint8_t>(static_cast<size_t>(kSide) * kSide * 4)};
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x) {
      double rgb[3];
      for (int c = 0; c < 3; ++c)
        rgb[c] = 128 + 90 * std::sin(x * 0.004 * (c + 1) + phase[c]) * std::cos(y * 0.003 * (c + 2) + phase[c + 3]);
      for (const Disc& d : discs)
        if ((x - d.x) * (x - d.x) + (y - d.y) * (y - d.y) < d.r * d.r)
          for (int c = 0; c < 3; ++c) rgb[c] = 0.3 * rgb[c] + 0.7 * d.rgb[c];
      uint8_t* t = image.Texel(x, y);
      for (int c = 0; c < 3; ++c) t[c] = static_cast<uint8_t>(std::clamp(rgb[c] + noise(rng), 0.0, 255.0));
      const double mask = 128 + 127 * std::sin(x * 0.01 + phase[0]) + (y % 256 < 64 ? -255 : 0) + noise(rng);
      t[3] = alpha ? static_cast<uint8_t>(std::clamp(mask, 0.0, 255.0)) : 255;
    }
  return image;
}

std::string StbCompress(const RgbaImage& image, bool alpha) {
  std::string out(PixelDataSize(alpha ? PacDXT5 : PacDXT1, image.width, image.height), '\0');
  auto* block = reinterpret_cast<unsigned char*>(out.data());
  unsigned char texels[64];
  for (int by = 0; by < image.height; by += 4)
    for (int bx = 0; bx < image.width; bx += 4) {
      for (int y = 0; y < 4; ++y) std::memcpy(texels + y * 16, image.Texel(bx, by + y), 16);
      stb_compress_dxt_block(block, texels, alpha ? 1 : 0, STB_DXT_HIGHQUAL);
      block += alpha ? 16 : 8;
    }
  return out;
}

double ProcessorSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

struct Measure {
  double wall = 0, cpu = 0;
  double colorError = 0, alphaError = 0;  // sums over texels
};

template <class F>
void Timed(Measure& m, F&& f) {
  const double cpu = ProcessorSeconds();
  const auto start = Clock::now();
  f();
  m.wall += std::chrono::duration<double>(Clock::now() - start).count();
  m.cpu += ProcessorSeconds() - cpu;
}

void AddError(Measure& m, const RgbaImage& source, const std::string& blocks, int format) {
  RgbaImage decoded;
  DecodePixels(format, reinterpret_cast<const uint8_t*>(blocks.data()), blocks.size(), source.width, source.height,
               {}, decoded);
  for (size_t i = 0; i < source.pixels.size(); ++i) {
    const int diff = std::abs(source.pixels[i] - decoded.pixels[i]);
    (i % 4 == 3 ? m.alphaError : m.colorError) += diff;
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  const std::string qualityName = argc > 2 ? argv[2] : "normal";
  const DxtQuality quality =
      qualityName == "fast" ? DxtQuality::Fast : qualityName == "best" ? DxtQuality::Best : DxtQuality::Normal;
  std::printf("%d images of %dx%d, libsquish quality %s\n", count, kSide, kSide, qualityName.c_str());

  Measure squish[2], stb[2], conversion;
  TextureRule rule;
  rule.format = PacDXT1;
  rule.quality = quality;
  for (int i = 0; i < count; ++i) {
    for (int withAlpha = 0; withAlpha < 2; ++withAlpha) {
      const RgbaImage image = Generate(i, withAlpha != 0);
      const int format = withAlpha ? PacDXT5 : PacDXT1;
      std::string ours, theirs;
      Timed(squish[withAlpha], [&] { ours = EncodePixels(image, format, quality); });
      Timed(stb[withAlpha], [&] { theirs = StbCompress(image, withAlpha != 0); });
      AddError(squish[withAlpha], image, ours, format);
      AddError(stb[withAlpha], image, theirs, format);
      if (!withAlpha) {
        std::string bytes, note, error;
        Timed(conversion, [&] { EncodePaa(image, rule, bytes, note, error); });
      }
    }
  }
  const double megapixels = count * (kSide * kSide / 1e6);
  const double texels = count * static_cast<double>(kSide) * kSide;
  for (int withAlpha = 0; withAlpha < 2; ++withAlpha) {
    const Measure& a = squish[withAlpha];
    const Measure& b = stb[withAlpha];
    std::printf("%s  libsquish: %7.2f ms/MP wall, %7.2f ms/MP cpu, colour error %.3f, alpha error %.3f\n",
                withAlpha ? "DXT5" : "DXT1", 1e3 * a.wall / megapixels, 1e3 * a.cpu / megapixels,
                a.colorError / (3 * texels), a.alphaError / texels);
    std::printf("      stb_dxt:   %7.2f ms/MP wall, %7.2f ms/MP cpu, colour error %.3f, alpha error %.3f\n",
                1e3 * b.wall / megapixels, 1e3 * b.cpu / megapixels, b.colorError / (3 * texels),
                b.alphaError / texels);
    std::printf("      ratio libsquish/stb: %.2fx wall, %.2fx cpu\n", a.wall / b.wall, a.cpu / b.cpu);
  }
  std::printf("whole DXT1 conversion (mipmaps, tags, blocks): %.2f ms/MP wall, %.2f ms/MP cpu\n",
              1e3 * conversion.wall / megapixels, 1e3 * conversion.cpu / megapixels);
  return 0;
}
