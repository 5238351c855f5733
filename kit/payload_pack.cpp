#include "payload_pack.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <map>
#include <thread>

#include "file_io.h"
#include "payload/crc32.h"
#include "payload/payload_format.h"

#ifdef KIT_HAS_LZMA
#include <lzma.h>

namespace {

// Blocks are encoded on their own, a core each. The files after the shared
// contents are cut into the fewest blocks the reader takes, all of one
// size: the larger the block, the more of what repeats its dictionary sees
// (a product's archive often holds copies of its own libraries), and equal
// blocks keep two cores busy to the end. The cut depends on the product
// alone, so that the same product packs to the same file on any machine.
constexpr std::size_t kLargestBlock = kMaxBlockSize;
// Contents shared by several files are kept in Setup.exe's memory for the
// whole run: only so much of them.
constexpr std::size_t kSharedLimit = 16u * 1024 * 1024;

void Put32(std::string& out, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}
void Put64(std::string& out, std::uint64_t value) {
  Put32(out, static_cast<std::uint32_t>(value));
  Put32(out, static_cast<std::uint32_t>(value >> 32));
}
std::uint32_t Get32(const std::string& bytes, std::size_t at) {
  if (at + 4 > bytes.size()) throw KitError("Setup.exe: not a Windows program");
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}
void Set32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// The program's image: its headers and sections, without what follows
// them (an earlier signature, an earlier payload), and with the
// certificate entry cleared, so that the one file can be signed anew.
std::string ProgramImage(const std::string& exe) {
  if (exe.size() < 0x40 || exe[0] != 'M' || exe[1] != 'Z') throw KitError("Setup.exe: not a Windows program");
  const std::uint32_t pe = Get32(exe, 0x3C);
  if (Get32(exe, pe) != 0x00004550) throw KitError("Setup.exe: not a Windows program");
  const std::size_t fileHeader = pe + 4;
  const unsigned sections =
      static_cast<unsigned char>(exe[fileHeader + 2]) | (static_cast<unsigned char>(exe[fileHeader + 3]) << 8);
  const unsigned optionalSize =
      static_cast<unsigned char>(exe[fileHeader + 16]) | (static_cast<unsigned char>(exe[fileHeader + 17]) << 8);
  const std::size_t optional = fileHeader + 20;
  const bool pe32plus = Get32(exe, optional) % 0x10000 == 0x20B;
  const std::size_t directories = optional + (pe32plus ? 112 : 96);
  const std::size_t table = optional + optionalSize;
  std::size_t end = table + sections * 40;
  for (unsigned i = 0; i < sections; ++i) {
    const std::size_t section = table + i * 40;
    const std::uint32_t rawSize = Get32(exe, section + 16);
    const std::uint32_t rawAt = Get32(exe, section + 20);
    if (rawSize) end = std::max<std::size_t>(end, std::size_t{rawAt} + rawSize);
  }
  if (end > exe.size()) throw KitError("Setup.exe: the program is cut short");
  std::string image = exe.substr(0, end);
  const std::size_t certificate = directories + 4 * 8;
  if (certificate + 8 <= optional + optionalSize) {
    Set32(image, certificate, 0);
    Set32(image, certificate + 4, 0);
  }
  return image;
}

std::string EncodeBlock(const unsigned char* data, std::size_t size) {
  lzma_options_lzma options;
  lzma_lzma_preset(&options, 1);
  // Normal mode (the best choice among matches) with a very short search:
  // on the benchmark product 1.6x as fast as a search of depth 4 and
  // length 64, for 1.5% more bytes; the fast mode was faster still but 7%
  // larger, past what the one file may weigh against its peers.
  options.mode = LZMA_MODE_NORMAL;
  options.mf = LZMA_MF_HC4;
  options.depth = 2;
  options.nice_len = 16;
  options.dict_size = static_cast<std::uint32_t>(std::max<std::size_t>(size, LZMA_DICT_SIZE_MIN));
  lzma_filter filters[] = {{LZMA_FILTER_LZMA2, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
  std::string out(lzma_stream_buffer_bound(size), '\0');
  std::size_t written = 0;
  const lzma_ret result = lzma_raw_buffer_encode(filters, nullptr, data, size, reinterpret_cast<std::uint8_t*>(&out[0]),
                                                 &written, out.size());
  if (result != LZMA_OK)
    throw KitError("the payload could not be compressed (xz library error " + std::to_string(static_cast<int>(result)) +
                   ")");
  out.resize(written);
  return out;
}

}  // namespace

bool CanWriteOneFile() { return true; }

PayloadSummary WriteOneFile(const std::filesystem::path& out, const std::string& setupExe,
                            const std::vector<PayloadFile>& startFiles, const std::vector<PayloadFile>& files,
                            unsigned threads) {
  PayloadSummary summary;
  // The contents, each once: files of the same bytes share one.
  struct Content {
    const std::string* bytes;
    std::uint32_t crc;
    int uses = 0;
    std::uint64_t offset = 0;
    bool placed = false;
  };
  std::vector<Content> contents;
  std::multimap<std::pair<std::size_t, std::uint32_t>, std::size_t> byKey;
  std::vector<std::size_t> contentOf(files.size());
  for (std::size_t i = 0; i < files.size(); ++i) {
    const std::string& bytes = files[i].bytes;
    if (bytes.size() > 0x7FFFFFFFu) throw KitError(files[i].name + ": a file of 2 GiB or more");
    const std::uint32_t crc = Crc32(bytes.data(), bytes.size());
    std::size_t found = contents.size();
    const auto range = byKey.equal_range({bytes.size(), crc});
    for (auto it = range.first; it != range.second; ++it)
      if (*contents[it->second].bytes == bytes) found = it->second;
    if (found == contents.size()) {
      contents.push_back({&bytes, crc});
      byKey.insert({{bytes.size(), crc}, found});
    }
    ++contents[found].uses;
    contentOf[i] = found;
  }

  // The expanded stream: the start files, the shared contents, then every
  // other content in the order of its first file.
  std::string stream;
  std::string directory;
  std::uint32_t fileCount = 0;
  const auto addEntry = [&](const std::string& name, std::uint64_t offset, std::size_t size, std::uint32_t crc) {
    if (name.empty() || name.size() >= 260) throw KitError(name + ": a set name must have 1 to 259 characters");
    Put32(directory, static_cast<std::uint32_t>(size));
    Put32(directory, crc);
    Put64(directory, offset);
    directory += static_cast<char>(name.size() & 0xFF);
    directory += static_cast<char>(name.size() >> 8);
    directory += name;
    ++fileCount;
  };
  for (const PayloadFile& file : startFiles) {
    addEntry(file.name, stream.size(), file.bytes.size(), Crc32(file.bytes.data(), file.bytes.size()));
    stream += file.bytes;
  }
  const std::size_t startSize = stream.size();
  for (std::size_t i = 0; i < files.size(); ++i) {
    Content& content = contents[contentOf[i]];
    if (content.uses < 2 || content.placed || stream.size() + content.bytes->size() > kSharedLimit) continue;
    content.offset = stream.size();
    content.placed = true;
    stream += *content.bytes;
  }
  const std::size_t sharedSize = stream.size();
  for (std::size_t i = 0; i < files.size(); ++i) {
    Content& content = contents[contentOf[i]];
    if (content.placed) continue;
    content.offset = stream.size();
    content.placed = true;
    stream += *content.bytes;
  }
  summary.repeated = files.size() - contents.size();
  for (std::size_t i = 0; i < files.size(); ++i) {
    const Content& content = contents[contentOf[i]];
    addEntry(files[i].name, content.offset, content.bytes->size(), content.crc);
  }

  // The blocks: the start and shared bytes alone in the first, then cut
  // at the block size.
  std::vector<std::pair<std::size_t, std::size_t>> spans;
  if (sharedSize) spans.push_back({0, sharedSize});
  const std::size_t rest = stream.size() - sharedSize;
  const std::size_t blockCount = (rest + kLargestBlock - 1) / kLargestBlock;
  const std::size_t blockSize = blockCount ? (rest + blockCount - 1) / blockCount : 0;
  for (std::size_t at = sharedSize; at < stream.size(); at += blockSize)
    spans.push_back({at, std::min(blockSize, stream.size() - at)});
  for (const auto& span : spans)
    if (span.second > kMaxBlockSize) throw KitError("the shared contents do not fit one block");
  std::vector<std::string> packed(spans.size());
  if (threads == 0) threads = std::max(1u, std::thread::hardware_concurrency());
  std::atomic<std::size_t> next{0};
  // The largest blocks first, so that no core waits at the end.
  std::vector<std::size_t> order(spans.size());
  for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(),
                   [&spans](std::size_t a, std::size_t b) { return spans[a].second > spans[b].second; });
  std::vector<std::exception_ptr> failures(spans.size());
  auto work = [&]() {
    for (std::size_t at = next++; at < order.size(); at = next++) {
      const std::size_t block = order[at];
      try {
        packed[block] = EncodeBlock(reinterpret_cast<const unsigned char*>(stream.data()) + spans[block].first,
                                    spans[block].second);
      } catch (...) {
        failures[block] = std::current_exception();
      }
    }
  };
  std::vector<std::thread> pool;
  for (unsigned i = 1; i < threads && i < spans.size(); ++i) pool.emplace_back(work);
  work();
  for (std::thread& thread : pool) thread.join();
  for (const std::exception_ptr& error : failures)
    if (error) std::rethrow_exception(error);

  std::string body;  // everything after the header
  for (std::size_t i = 0; i < spans.size(); ++i) {
    Put32(body, static_cast<std::uint32_t>(packed[i].size()));
    Put32(body, static_cast<std::uint32_t>(spans[i].second));
    Put32(body, Crc32(stream.data() + spans[i].first, spans[i].second));
    Put32(body, 0);
  }
  body += directory;
  for (const std::string& block : packed) {
    body += block;
    summary.packed += block.size();
  }

  std::string header(kPayloadMagic, sizeof kPayloadMagic);
  Put32(header, sizeof(PayloadHeader));
  Put32(header, static_cast<std::uint32_t>(spans.size()));
  Put32(header, fileCount);
  Put32(header, static_cast<std::uint32_t>(directory.size()));
  Put64(header, stream.size());
  Put32(header, static_cast<std::uint32_t>(startSize));
  Put32(header, static_cast<std::uint32_t>(sharedSize));
  Put32(header, 0);
  Put32(header, 0);
  Put32(header, Crc32(body.data(), body.size()));
  Put32(header, Crc32(header.data(), header.size()));

  std::string image = ProgramImage(setupExe);
  image.resize((image.size() + 7) & ~std::size_t{7}, '\0');
  const std::uint64_t payloadSize = std::uint64_t{header.size()} + body.size();
  if (image.size() + payloadSize > 0xFFFFFFFFu) throw KitError("the one file would be 4 GiB or more");
  std::string mark(kPayloadMark, sizeof kPayloadMark);
  Put32(mark, static_cast<std::uint32_t>(image.size()));
  Put32(mark, static_cast<std::uint32_t>(payloadSize));
  Put32(mark, Crc32(mark.data(), mark.size()));
  image.replace(kPayloadMarkOffset, mark.size(), mark);
  WriteWholeFile(out, image + header + body);
  summary.unpacked = stream.size();
  return summary;
}
#else
bool CanWriteOneFile() { return false; }

PayloadSummary WriteOneFile(const std::filesystem::path&, const std::string&, const std::vector<PayloadFile>&,
                            const std::vector<PayloadFile>&, unsigned) {
  throw KitError("this build of setupkit writes folder sets only: the one-file form needs the xz library");
}
#endif
