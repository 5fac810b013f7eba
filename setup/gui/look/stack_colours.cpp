// Every renderer rounds each blend its own way, and two dozen faint discs add up their
// roundings to several levels, so no exact formula gives what they look like. Instead the
// stack is blended for real over a strip of every background level, and candidate single
// colours are blended over the same strip; each zone takes the closest candidate.
#include "look/stack_colours.h"

#include "look/draw.h"
#include "platform/display.h"

#include <imgui_internal.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

struct Measured {
  std::vector<ImU32> discs;  // what was measured
  ImU32 base;                // the opaque colour under it, or 0 for the fitted zones
  std::vector<ImU32> zones;  // and what it gave
};
// The glow's alphas follow an eased value through a few dozen sets of bytes; each set is
// measured once.
std::vector<Measured> g_measured;
const size_t KEEP = 96;

const int SPREAD = 4;              // candidate channel values either side of the first guess
const int TRIES = 2 * SPREAD + 1;  // candidates per channel and alpha
const int ALPHAS = 3;              // candidate alphas: the guess and one step either side

int channel(ImU32 c, int ch) { return (int)((c >> (8 * ch)) & 0xFF); }
ImU32 with_channel(ImU32 c, int ch, int v) {
  return (c & ~(0xFFu << (8 * ch))) | ((ImU32)std::clamp(v, 0, 255) << (8 * ch));
}

// Row r of a strip 256 levels wide starts as grey level x in column x and then gets the
// colours of rows[r] blended over it in turn, as the backdrop blends its filled shapes
// (with no texture). Read back as RGB; null when it cannot be.
SDL_Surface* blend_rows(const std::vector<std::vector<ImU32>>& rows) {
  const int count = (int)rows.size();
  SDL_Texture* strip =
      SDL_CreateTexture(g_ren, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, 256, count);
  if (!strip) return nullptr;
  SDL_Texture* target = SDL_GetRenderTarget(g_ren);
  SDL_BlendMode mode = SDL_BLENDMODE_NONE;
  SDL_GetRenderDrawBlendMode(g_ren, &mode);
  SDL_SetRenderTarget(g_ren, strip);
  SDL_SetRenderViewport(g_ren, nullptr);
  SDL_SetRenderClipRect(g_ren, nullptr);
  SDL_SetRenderDrawBlendMode(g_ren, SDL_BLENDMODE_NONE);
  for (int x = 0; x < 256; x++) {
    SDL_SetRenderDrawColor(g_ren, (Uint8)x, (Uint8)x, (Uint8)x, 255);
    SDL_FRect column = {(float)x, 0, 1, (float)count};
    SDL_RenderFillRect(g_ren, &column);
  }
  SDL_SetRenderDrawBlendMode(g_ren, SDL_BLENDMODE_BLEND);
  const int idx[6] = {0, 1, 2, 0, 2, 3};
  for (int k = 0; k < count; k++)
    for (ImU32 colour : rows[k]) {
      ImVec4 c = ImGui::ColorConvertU32ToFloat4(colour);
      const float xs[4] = {0, 256, 256, 0}, ys[4] = {(float)k, (float)k, (float)k + 1, (float)k + 1};
      SDL_Vertex v[4];
      for (int j = 0; j < 4; j++) v[j] = {{xs[j], ys[j]}, {c.x, c.y, c.z, c.w}, {0, 0}};
      SDL_RenderGeometry(g_ren, nullptr, v, 4, idx, 6);
    }
  SDL_Surface* read = SDL_RenderReadPixels(g_ren, nullptr);
  SDL_SetRenderTarget(g_ren, target);
  SDL_SetRenderDrawBlendMode(g_ren, mode);
  SDL_DestroyTexture(strip);
  SDL_Surface* rgb = read ? SDL_ConvertSurface(read, SDL_PIXELFORMAT_RGB24) : nullptr;
  if (read) SDL_DestroySurface(read);
  return rgb;
}

const uint8_t* strip_row(SDL_Surface* s, int r) { return (const uint8_t*)s->pixels + r * s->pitch; }

// A first guess from the blended stack's row: a line through level -> result per channel,
// whose slope is 1 - alpha and whose offset is alpha times the colour.
ImU32 first_guess(const uint8_t* row) {
  double slope = 0;
  for (int ch = 0; ch < 3; ch++) {
    double sx = 0, sy = 0, sxx = 0, sxy = 0, n = 256;
    for (int x = 0; x < 256; x++) {
      double y = row[3 * x + ch];
      sx += x, sy += y, sxx += (double)x * x, sxy += x * y;
    }
    slope += (n * sxy - sx * sy) / (n * sxx - sx * sx) / 3;
  }
  int alpha = (int)std::lround(std::clamp(1.0 - slope, 0.0, 1.0) * 255);
  double a = alpha / 255.0;
  ImU32 guess = (ImU32)alpha << IM_COL32_A_SHIFT;
  for (int ch = 0; ch < 3; ch++) {
    double sum = 0;
    for (int x = 0; x < 256; x++) sum += row[3 * x + ch] - (1 - a) * x;
    guess = with_channel(guess, ch, a > 0 ? (int)std::lround(std::clamp(sum / 256 / a, 0.0, 255.0)) : 0);
  }
  return guess;
}

// How far a blended candidate's channel lies from the stack's: being off by more than
// two levels is what shows.
long cost(const uint8_t* got, const uint8_t* want, int ch) {
  long total = 0;
  for (int x = 0; x < 256; x++) {
    int e = std::abs((int)got[3 * x + ch] - (int)want[3 * x + ch]);
    total += e > 2 ? 1000 * e : e * e;
  }
  return total;
}

bool measure(const ImU32* discs, int count, ImU32 base, ImU32* zones) {
  std::vector<std::vector<ImU32>> rows(count);
  for (int k = 0; k < count; k++) rows[k].assign(discs + k, discs + count);
  SDL_Surface* stacks = blend_rows(rows);
  if (!stacks) return false;
  if (base) {
    // Over one opaque colour each channel's level is a column of the strip: the zones
    // are exactly what the discs make of it.
    for (int k = 0; k < count; k++) {
      const uint8_t* row = strip_row(stacks, k);
      ImU32 c = IM_COL32_A_MASK;
      for (int ch = 0; ch < 3; ch++) c = with_channel(c, ch, row[3 * channel(base, ch) + ch]);
      zones[k] = c;
    }
    SDL_DestroySurface(stacks);
    return true;
  }

  // Candidates per zone: the guess with its alpha moved by up to one step and all three
  // channels by the same step; each channel then takes the step that fits it best.
  auto row_of = [](int k, int da, int d) { return (k * ALPHAS + da + 1) * TRIES + d + SPREAD; };
  rows.assign((size_t)count * ALPHAS * TRIES, {});
  for (int k = 0; k < count; k++) {
    ImU32 guess = first_guess(strip_row(stacks, k));
    int alpha = (int)(guess >> IM_COL32_A_SHIFT);
    for (int da = -1; da <= 1; da++)
      for (int d = -SPREAD; d <= SPREAD; d++) {
        ImU32 c = (ImU32)std::clamp(alpha + da, 0, 255) << IM_COL32_A_SHIFT;
        for (int ch = 0; ch < 3; ch++) c = with_channel(c, ch, channel(guess, ch) + d);
        rows[row_of(k, da, d)] = {c};
      }
  }
  SDL_Surface* tries = blend_rows(rows);
  if (!tries) {
    SDL_DestroySurface(stacks);
    return false;
  }
  for (int k = 0; k < count; k++) {
    const uint8_t* want = strip_row(stacks, k);
    long best_total = -1;
    for (int da = -1; da <= 1; da++) {
      long total = 0;
      ImU32 pick = rows[row_of(k, da, 0)][0] & IM_COL32_A_MASK;
      for (int ch = 0; ch < 3; ch++) {
        long best = -1;
        for (int d = -SPREAD; d <= SPREAD; d++) {
          long c = cost(strip_row(tries, row_of(k, da, d)), want, ch);
          if (best < 0 || c < best)
            best = c, pick = with_channel(pick, ch, channel(rows[row_of(k, da, d)][0], ch));
        }
        total += best;
      }
      if (best_total < 0 || total < best_total) best_total = total, zones[k] = pick;
    }
  }
  SDL_DestroySurface(stacks);
  SDL_DestroySurface(tries);
  return true;
}

static bool colours(ImVec4 rgb, const float* alphas, int count, ImU32 base, ImU32* zones) {
  count = std::min(count, 64);
  ImU32 discs[64];  // on the stack: this runs every frame
  bool any = false;
  for (int i = 0; i < count; i++) {
    discs[i] = rgba(rgb.x, rgb.y, rgb.z, alphas[i]);
    any |= (discs[i] & IM_COL32_A_MASK) != 0;
  }
  if (!any) return false;
  if (g_ren) {
    for (const Measured& m : g_measured)
      if (m.base == base && m.discs.size() == (size_t)count &&
          std::equal(discs, discs + count, m.discs.begin())) {
        std::copy(m.zones.begin(), m.zones.end(), zones);
        return true;
      }
    if (measure(discs, count, base, zones)) {
      if (g_measured.size() >= KEEP) g_measured.erase(g_measured.begin());
      g_measured.push_back(Measured{{discs, discs + count}, base, {zones, zones + count}});
      return true;
    }
  }
  exact_stack_colours(rgb, alphas, count, zones);
  if (base) {
    ImVec4 under = ImGui::ColorConvertU32ToFloat4(base);
    for (int i = 0; i < count; i++) {
      ImVec4 z = ImGui::ColorConvertU32ToFloat4(zones[i]);
      zones[i] = rgba(z.x * z.w + under.x * (1 - z.w), z.y * z.w + under.y * (1 - z.w),
                      z.z * z.w + under.z * (1 - z.w), 1);
    }
  }
  return true;
}

}  // namespace

bool stack_colours(ImVec4 rgb, const float* alphas, int count, ImU32* zones) {
  return colours(rgb, alphas, count, 0, zones);
}

bool stack_colours_over(ImU32 base, ImVec4 rgb, const float* alphas, int count, ImU32* zones) {
  return colours(rgb, alphas, count, base | IM_COL32_A_MASK, zones);
}

void forget_stack_colours() { g_measured.clear(); }
