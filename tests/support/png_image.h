// A rendered PNG picture read back for its pixels, for the renderer tests.
#pragma once

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "runtime/graphics.h"

namespace velmora::testing {

/// The picture of PNG bytes as a Cairo image.
struct Image {
  cairo_surface_t* surface = nullptr;
  explicit Image(const std::string& png) {
    struct Reader {
      const std::string* bytes;
      size_t at = 0;
    } reader{&png};
    surface = cairo_image_surface_create_from_png_stream(
        [](void* closure, unsigned char* data, unsigned int length) {
          auto* r = static_cast<Reader*>(closure);
          if (r->at + length > r->bytes->size()) return CAIRO_STATUS_READ_ERROR;
          std::copy_n(r->bytes->data() + r->at, length, data);
          r->at += length;
          return CAIRO_STATUS_SUCCESS;
        },
        &reader);
  }
  ~Image() { cairo_surface_destroy(surface); }
  Image(const Image&) = delete;
  Image& operator=(const Image&) = delete;
  bool ok() const { return cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS; }
  int width() const { return cairo_image_surface_get_width(surface); }
  int height() const { return cairo_image_surface_get_height(surface); }
  Rgb at(int x, int y) const {
    const unsigned char* row = cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface);
    const uint32_t p = reinterpret_cast<const uint32_t*>(row)[x];
    return Rgb{((p >> 16) & 255) / 255.0, ((p >> 8) & 255) / 255.0, (p & 255) / 255.0};
  }
  /// The pixel at a device position.
  Rgb at(const Eigen::Vector2d& p) const { return at(static_cast<int>(p.x()), static_cast<int>(p.y())); }
};

/// Whether two colours agree to within a tenth in every channel.
inline bool near(const Rgb& a, const Rgb& b) {
  return std::abs(a.r - b.r) < 0.1 && std::abs(a.g - b.g) < 0.1 && std::abs(a.b - b.b) < 0.1;
}

}  // namespace velmora::testing
