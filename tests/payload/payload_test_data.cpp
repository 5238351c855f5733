#include "payload_test_data.h"

#include <lzma.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "payload/crc32.h"

Bytes TextData(std::size_t size, std::uint64_t origin) {
  static const char* const kWords[] = {"the", "installer", "copies", "files", "into", "folder", "and", "writes",
                                       "registry", "keys", "for", "each", "component", "of", "product", "a",
                                       "shortcut", "uninstall", "log", "version"};
  TestRandom r(origin);
  Bytes out;
  out.reserve(size + 16);
  while (out.size() < size) {
    const std::string word = kWords[r.Below(20)];
    out.insert(out.end(), word.begin(), word.end());
    out.push_back(r.Below(9) == 0 ? '\n' : ' ');
    if (r.Below(50) == 0) out.push_back(static_cast<std::uint8_t>('0' + r.Below(10)));
  }
  out.resize(size);
  return out;
}

Bytes RandomData(std::size_t size, std::uint64_t origin) {
  TestRandom r(origin);
  Bytes out(size);
  for (auto& b : out) b = static_cast<std::uint8_t>(r.Next());
  return out;
}

Bytes RunsData(std::size_t size, std::uint64_t origin) {
  TestRandom r(origin);
  Bytes out;
  while (out.size() < size) out.insert(out.end(), 1 + r.Below(r.Below(4) == 0 ? 5000 : 40), static_cast<std::uint8_t>(r.Below(4)));
  out.resize(size);
  return out;
}

namespace {
void AppendFile(const std::string& path, Bytes& out, std::size_t size) {
  std::ifstream file(path, std::ios::binary);
  Bytes all((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  out.insert(out.end(), all.begin(), all.begin() + static_cast<std::ptrdiff_t>(std::min(all.size(), size - out.size())));
}
}  // namespace

Bytes CodeData(std::size_t size) {
  static const char* const kDlls[] = {"kernelbase", "user32", "comctl32", "shell32", "ole32", "gdi32", "msvcrt"};
  Bytes out;
  for (const char* name : kDlls) {
    if (out.size() < size) AppendFile(std::string("/usr/lib/i386-linux-gnu/wine/i386-windows/") + name + ".dll", out, size);
  }
  while (out.size() < size) AppendFile("/proc/self/exe", out, size);
  return out;
}

Bytes EncodeRaw(const Bytes& data, const EncodeOptions& options) {
  lzma_options_lzma lzma;
  if (lzma_lzma_preset(&lzma, options.preset)) throw std::runtime_error("preset");
  lzma.dict_size = std::max<std::uint32_t>(lzma.dict_size, std::max<std::uint32_t>(4096, static_cast<std::uint32_t>(data.size())));
  if (options.lc >= 0) lzma.lc = static_cast<std::uint32_t>(options.lc);
  if (options.lp >= 0) lzma.lp = static_cast<std::uint32_t>(options.lp);
  if (options.pb >= 0) lzma.pb = static_cast<std::uint32_t>(options.pb);
  if (options.presetDict != nullptr) {
    lzma.preset_dict = options.presetDict->data();
    lzma.preset_dict_size = static_cast<std::uint32_t>(options.presetDict->size());
  }
  lzma_filter filters[3] = {{LZMA_FILTER_X86, nullptr}, {LZMA_FILTER_LZMA2, &lzma}, {LZMA_VLI_UNKNOWN, nullptr}};
  const lzma_filter* chain = options.x86 ? filters : filters + 1;
  Bytes out(lzma_stream_buffer_bound(data.size()));
  std::size_t outPos = 0;
  if (lzma_raw_buffer_encode(chain, nullptr, data.data(), data.size(), out.data(), &outPos, out.size()) != LZMA_OK) {
    throw std::runtime_error("lzma_raw_buffer_encode");
  }
  out.resize(outPos);
  return out;
}

bool ReferenceDecode(const Bytes& packed, std::size_t outSize, bool x86, Bytes& out) {
  lzma_options_lzma lzma;
  lzma_lzma_preset(&lzma, 0);
  lzma.dict_size = std::max<std::uint32_t>(4096, static_cast<std::uint32_t>(outSize));
  lzma_filter filters[3] = {{LZMA_FILTER_X86, nullptr}, {LZMA_FILTER_LZMA2, &lzma}, {LZMA_VLI_UNKNOWN, nullptr}};
  out.assign(outSize + 1, 0);
  std::size_t inPos = 0, outPos = 0;
  const lzma_ret ret = lzma_raw_buffer_decode(x86 ? filters : filters + 1, nullptr, packed.data(), &inPos,
                                              packed.size(), out.data(), &outPos, out.size());
  out.resize(outPos);
  return ret == LZMA_OK && inPos == packed.size() && outPos == outSize;
}

Bytes ChainedStream(const Bytes& a, const Bytes& b, const Bytes& c, std::uint32_t preset) {
  Bytes stream = EncodeRaw(a, {preset});
  stream.pop_back();  // a's end marker
  const std::size_t stored = b.size() - 1;
  stream.insert(stream.end(), {0x02, static_cast<std::uint8_t>(stored >> 8), static_cast<std::uint8_t>(stored)});
  stream.insert(stream.end(), b.begin(), b.end());
  Bytes before = a;
  before.insert(before.end(), b.begin(), b.end());
  EncodeOptions options{preset};
  options.presetDict = &before;
  const Bytes tail = EncodeRaw(c, options);
  stream.insert(stream.end(), tail.begin(), tail.end());
  return stream;
}

PayloadBlock BlockFor(const Bytes& data, const Bytes& packed, bool x86) {
  return {static_cast<std::uint32_t>(packed.size()), static_cast<std::uint32_t>(data.size()),
          Crc32(data.data(), data.size()), x86 ? kBlockX86 : 0u};
}
