#include "tests/win/png_write.h"

#include <cstdio>

static uint32_t Crc32(const std::string& bytes) {
  uint32_t crc = 0xFFFFFFFFu;
  for (unsigned char byte : bytes) {
    crc ^= byte;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return crc ^ 0xFFFFFFFFu;
}

static void PutBigEndian(std::string& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
}

static void PutChunk(std::string& out, const char* type, const std::string& data) {
  PutBigEndian(out, static_cast<uint32_t>(data.size()));
  std::string body = std::string(type, 4) + data;
  out += body;
  PutBigEndian(out, Crc32(body));
}

// A zlib stream of stored deflate blocks: no compression, so no library.
static std::string StoredZlib(const std::string& raw) {
  std::string out = "\x78\x01";
  size_t at = 0;
  do {
    size_t n = raw.size() - at < 65535 ? raw.size() - at : 65535;
    bool last = at + n == raw.size();
    out += static_cast<char>(last ? 1 : 0);
    out += static_cast<char>(n & 0xFF);
    out += static_cast<char>(n >> 8);
    out += static_cast<char>(~n & 0xFF);
    out += static_cast<char>((~n >> 8) & 0xFF);
    out.append(raw, at, n);
    at += n;
  } while (at < raw.size());
  uint32_t a = 1, b = 0;
  for (unsigned char byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  PutBigEndian(out, (b << 16) | a);
  return out;
}

bool WritePng(const std::string& path, int width, int height, const std::vector<uint32_t>& pixels) {
  std::string raw;
  for (int y = 0; y < height; ++y) {
    raw += '\0';  // filter type: none
    for (int x = 0; x < width; ++x) {
      uint32_t p = pixels[static_cast<size_t>(y) * width + x];
      raw += static_cast<char>((p >> 16) & 0xFF);
      raw += static_cast<char>((p >> 8) & 0xFF);
      raw += static_cast<char>(p & 0xFF);
    }
  }
  std::string header;
  PutBigEndian(header, static_cast<uint32_t>(width));
  PutBigEndian(header, static_cast<uint32_t>(height));
  header += std::string("\x08\x02\x00\x00\x00", 5);  // 8-bit RGB, no interlace
  std::string png = "\x89PNG\r\n\x1a\n";
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", StoredZlib(raw));
  PutChunk(png, "IEND", "");
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool whole = std::fwrite(png.data(), 1, png.size(), f) == png.size();
  return std::fclose(f) == 0 && whole;
}
