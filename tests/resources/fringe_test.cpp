// Blue fringe: a cell tile is scaled bilinearly to the cell and laid over the wallpaper with
// the key colour 0x946D4A left out (tolerance 64, a distance of 8). Scaling mixes the motif's
// edge with the key colour; mixed pixels that are no longer within the tolerance are drawn and,
// being mostly key, look blue. The tiles keep this to scattered single pixels by ending every
// motif in a hard sticker rim whose outer line lies far from the key colour.
//
// Three figures, over the drawn pixels on the motif's outline (drawn pixels beside a left-out
// one):
// - blue: the share that is bluish on its own (hue near the key's, clearly saturated, standing
//   out from the ground). Some of these remain whatever the rim: a mix holding only a few per
//   cent of the motif is already drawn, and the bilinear weights put one on a good part of the
//   edge pixels. The brighter and warmer the outer line, the fewer.
// - deep: blue behind a blue outline pixel, which would make the fringe wider than one pixel.
// - seen: outline pixels whose 3 x 3 neighbourhood, averaged, is bluish. At viewing distance
//   the eye does not take the hue of one pixel but of its surroundings; a fringe that is seen
//   is one that tints the edge, and a soft edge does (see the last test). This one must stay
//   near zero.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "imaging/image_ops.h"
#include "tests/resources/decoded_pictures.h"
#include "tests/resources/expected_resources.h"

namespace {

struct Rgb {
  int r, g, b;
};

const Rgb kWhite{255, 255, 255};
const Rgb kDark{28, 30, 36};

bool visiblyBlue(const uint8_t* px, Rgb ground) {
  int r = px[0], g = px[1], b = px[2];
  int hi = std::max({r, g, b}), lo = std::min({r, g, b});
  if (hi != b || hi - lo < 24) return false;          // blue on top, some colour
  double hue = 240.0 + 60.0 * (r - g) / double(hi - lo);  // the key colour's hue is 212
  if (std::fabs(hue - 212.0) > 24.0) return false;
  if (double(hi - lo) / hi < 0.2) return false;        // saturation
  int dr = r - ground.r, dg = g - ground.g, db = b - ground.b;
  return dr * dr + dg * dg + db * db >= 24 * 24;       // not lost in the ground
}

// The averaged colour of an edge: a blue tint, even a pale one, that differs from the ground.
bool tintedBlue(const int* mean, Rgb ground) {
  int r = mean[0], g = mean[1], b = mean[2];
  int hi = std::max({r, g, b}), lo = std::min({r, g, b});
  if (hi != b || hi - lo < 12) return false;
  double hue = 240.0 + 60.0 * (r - g) / double(hi - lo);
  if (std::fabs(hue - 212.0) > 30.0) return false;
  int dr = r - ground.r, dg = g - ground.g, db = b - ground.b;
  return dr * dr + dg * dg + db * db >= 16 * 16;
}

struct Fringe {
  size_t outline = 0, blue = 0, deep = 0, seen = 0;
  double share() const { return outline ? double(blue) / outline : 0.0; }
  double deepShare() const { return outline ? double(deep) / outline : 0.0; }
  double seenShare() const { return outline ? double(seen) / outline : 0.0; }
  void add(const Fringe& o) {
    outline += o.outline;
    blue += o.blue;
    deep += o.deep;
    seen += o.seen;
  }
};

// One tile at one cell width on one ground.
Fringe measure(const std::vector<uint8_t>& tile, DWORD w, DWORD h, DWORD cw, Rgb ground) {
  DWORD ch = DWORD(cw * 0.86486486);
  std::vector<uint8_t> scaled(size_t(cw) * ch * 3), canvas(scaled.size());
  EXPECT_TRUE(IS40_ResizeImage(tile.data(), w, h, w * 3, scaled.data(), cw, ch, cw * 3, 3, 16, 0));
  for (size_t i = 0; i < canvas.size(); i += 3) {
    canvas[i] = uint8_t(ground.r);
    canvas[i + 1] = uint8_t(ground.g);
    canvas[i + 2] = uint8_t(ground.b);
  }
  EXPECT_TRUE(IS40_OverlayRGBTrans(canvas.data(), cw, ch, cw * 3, scaled.data(), cw, ch, cw * 3, 0, 0, 1.0,
                                   kCellKey, kCellTolerance, 0));
  // 0 left out, 1 drawn, 2 outline, 3 blue outline.
  std::vector<uint8_t> kind(size_t(cw) * ch);
  for (size_t i = 0; i < kind.size(); ++i) kind[i] = keyDistance(&scaled[i * 3], kCellKey) > kCellTolerance;
  auto neighbours = [&](DWORD x, DWORD y, auto test) {
    size_t i = size_t(y) * cw + x;
    return (x > 0 && test(kind[i - 1])) || (x + 1 < cw && test(kind[i + 1])) || (y > 0 && test(kind[i - cw])) ||
           (y + 1 < ch && test(kind[i + cw]));
  };
  Fringe f;
  for (DWORD y = 0; y < ch; ++y)
    for (DWORD x = 0; x < cw; ++x) {
      size_t i = size_t(y) * cw + x;
      if (kind[i] && neighbours(x, y, [](uint8_t k) { return k == 0; })) {
        ++f.outline;
        bool blue = visiblyBlue(&canvas[i * 3], ground);
        f.blue += blue;
        kind[i] = blue ? 3 : 2;
      }
    }
  for (DWORD y = 0; y < ch; ++y)
    for (DWORD x = 0; x < cw; ++x) {
      size_t i = size_t(y) * cw + x;
      if (kind[i] == 1 && visiblyBlue(&canvas[i * 3], ground) && neighbours(x, y, [](uint8_t k) { return k == 3; }))
        ++f.deep;
      if (kind[i] < 2) continue;
      // The edge as it is seen: the mean of this outline pixel and its eight neighbours, ground,
      // rim and motif alike (a blue motif close to its rim counts as well).
      int mean[3] = {0, 0, 0}, n = 0;
      for (DWORD v = y ? y - 1 : 0; v <= std::min(y + 1, ch - 1); ++v)
        for (DWORD u = x ? x - 1 : 0; u <= std::min(x + 1, cw - 1); ++u, ++n)
          for (int c = 0; c < 3; ++c) mean[c] += canvas[(size_t(v) * cw + u) * 3 + c];
      for (int& m : mean) m /= n;
      f.seen += tintedBlue(mean, ground);
    }
  return f;
}

// The same tile as it would be without a hard rim: the motif's last two pixels fade into the
// key colour, as an emoji's own soft edge does when it is laid straight onto the key.
std::vector<uint8_t> softened(const std::vector<uint8_t>& tile, DWORD w, DWORD h) {
  std::vector<int> depth(size_t(w) * h, 0);
  for (size_t i = 0; i < depth.size(); ++i) depth[i] = keyDistance(&tile[i * 3], kCellKey) > kCellTolerance ? 99 : 0;
  for (int pass = 1; pass <= 2; ++pass)
    for (DWORD y = 0; y < h; ++y)
      for (DWORD x = 0; x < w; ++x) {
        size_t i = size_t(y) * w + x;
        if (depth[i] != 99) continue;
        auto near = [&](long j) { return depth[size_t(j)] == pass - 1; };
        if ((x > 0 && near(long(i) - 1)) || (x + 1 < w && near(long(i) + 1)) || (y > 0 && near(long(i) - long(w))) ||
            (y + 1 < h && near(long(i) + long(w))))
          depth[i] = pass;
      }
  std::vector<uint8_t> out(tile);
  const int key[3] = {0x4A, 0x6D, 0x94};
  for (size_t i = 0; i < depth.size(); ++i) {
    if (depth[i] != 1 && depth[i] != 2) continue;
    for (int c = 0; c < 3; ++c) out[i * 3 + c] = uint8_t((tile[i * 3 + c] * depth[i] + key[c] * (3 - depth[i])) / 3);
  }
  return out;
}

bool isCellTile(const ExpectedResource& e) { return e.form == Form::CellTile || e.form == Form::MonthTile; }

}  // namespace

TEST(BlueFringe, StaysThinAtEveryCellWidth) {
  const DWORD widths[] = {100, 148, 211, 347, 541};
  Fringe total[2];
  double worst = 0.0, worstSeen = 0.0;
  std::string worstName, worstSeenName;
  int tiles = 0;
  for (const ExpectedResource& e : expectedResources()) {
    if (!isCellTile(e)) continue;
    DecodedPicture d = decodePsdResource(e.type, e.name);
    ASSERT_TRUE(d.ok) << e.name;
    ++tiles;
    Fringe mine[2];
    for (DWORD cw : widths) {
      mine[0].add(measure(d.rgb, d.width, d.height, cw, kWhite));
      mine[1].add(measure(d.rgb, d.width, d.height, cw, kDark));
    }
    for (int g = 0; g < 2; ++g) {
      total[g].add(mine[g]);
      if (mine[g].outline < 200) continue;
      if (mine[g].share() > worst) {
        worst = mine[g].share();
        worstName = e.name + (g ? " (dark)" : " (white)");
      }
      if (mine[g].seenShare() > worstSeen) {
        worstSeen = mine[g].seenShare();
        worstSeenName = e.name + (g ? " (dark)" : " (white)");
      }
    }
  }
  ASSERT_EQ(tiles, 277);
  for (int g = 0; g < 2; ++g)
    std::printf("blue fringe over %d tiles x 5 widths, %s ground: %zu outline pixels, %.1f %% bluish, %.2f %% "
                "deeper, %.3f %% tinted\n",
                tiles, g ? "dark" : "white", total[g].outline, 100 * total[g].share(), 100 * total[g].deepShare(),
                100 * total[g].seenShare());
  std::printf("most bluish tile: %s %.1f %%; most tinted: %s %.2f %%\n", worstName.c_str(), 100 * worst,
              worstSeenName.c_str(), 100 * worstSeen);
  ::testing::Test::RecordProperty("fringe_white_permille", int(1000 * total[0].share()));
  ::testing::Test::RecordProperty("fringe_dark_permille", int(1000 * total[1].share()));
  ::testing::Test::RecordProperty("fringe_tinted_white_permille", int(1000 * total[0].seenShare()));
  ::testing::Test::RecordProperty("fringe_tinted_dark_permille", int(1000 * total[1].seenShare()));
  // Measured when the art was made: 24.9 % of the outline pixels bluish on either ground,
  // 0.14 % blue behind them (at sharp corners, where the diagonal neighbour is key), 0.01 %
  // tinted (the worst, 0.8 %, a blue train at the smallest width, where its body is two pixels
  // from the ground). The dark brown line used before gave 35 % bluish and 0.3 % / 1.7 %
  // tinted on white / dark; a soft edge (below) 63 % and 40 %.
  for (int g = 0; g < 2; ++g) {
    EXPECT_LT(total[g].share(), 0.30) << g;
    EXPECT_LT(total[g].deepShare(), 0.005) << g;  // one pixel wide, but for corners
    EXPECT_LT(total[g].seenShare(), 0.001) << g;
  }
  EXPECT_LT(worst, 0.45) << worstName;
  EXPECT_LT(worstSeen, 0.012) << worstSeenName;
}

TEST(BlueFringe, EveryWidthFrom100To541ForSomeTiles) {
  // One of each kind of motif over the whole range of cell widths.
  for (const char* name : {"E001", "E019", "MON01A", "SBEG_E", "ALARM_X01"}) {
    std::string type = name[0] == 'A' ? "ALARM" : "RASTER";
    DecodedPicture d = decodePsdResource(type, name);
    ASSERT_TRUE(d.ok) << name;
    Fringe sum;
    double worst = 0;
    DWORD worstWidth = 0;
    for (DWORD cw = 100; cw <= 541; cw += 3) {
      Fringe f = measure(d.rgb, d.width, d.height, cw, kDark);
      sum.add(f);
      if (f.share() > worst) {
        worst = f.share();
        worstWidth = cw;
      }
    }
    std::printf("%-10s dark ground, widths 100..541: %.1f %% bluish (%.2f %% deeper, %.3f %% tinted), "
                "most bluish %.1f %% at %u\n",
                name, 100 * sum.share(), 100 * sum.deepShare(), 100 * sum.seenShare(), 100 * worst,
                unsigned(worstWidth));
    EXPECT_LT(sum.share(), 0.30) << name;
    EXPECT_LT(sum.deepShare(), 0.005) << name;
    EXPECT_LT(sum.seenShare(), 0.002) << name;
    EXPECT_LT(worst, 0.60) << name << " at " << worstWidth;
  }
}

TEST(BlueFringe, TheMeasureSeesASoftEdge) {
  // Without the hard rim the same motifs fringe clearly: the figure above means something.
  for (const char* name : {"E001", "MON01A", "ALARM_X01"}) {
    std::string type = name[0] == 'A' ? "ALARM" : "RASTER";
    DecodedPicture d = decodePsdResource(type, name);
    ASSERT_TRUE(d.ok) << name;
    std::vector<uint8_t> soft = softened(d.rgb, d.width, d.height);
    Fringe hard, fuzzy;
    for (DWORD cw : {100u, 211u, 541u}) {
      hard.add(measure(d.rgb, d.width, d.height, cw, kDark));
      fuzzy.add(measure(soft, d.width, d.height, cw, kDark));
    }
    std::printf("%-10s hard rim %.1f %% bluish (%.2f %% deeper, %.2f %% tinted), soft edge %.1f %% (%.2f %% "
                "deeper, %.1f %% tinted)\n",
                name, 100 * hard.share(), 100 * hard.deepShare(), 100 * hard.seenShare(), 100 * fuzzy.share(),
                100 * fuzzy.deepShare(), 100 * fuzzy.seenShare());
    EXPECT_GT(fuzzy.share(), hard.share() + 0.2) << name;
    EXPECT_GT(fuzzy.deepShare(), std::max(0.005, 4 * hard.deepShare())) << name;
    EXPECT_GT(fuzzy.seenShare(), 0.2) << name;  // a soft edge tints the outline
  }
}
