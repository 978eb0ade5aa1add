// vobmarks-cli verify DIR_OR_ISO: checks a written volume with libdvdread
// and libdvdnav, which only this command links, and prints a summary.
#include <cstdio>
#include <string>

#include "cli/commands.h"
#include "cli/volume_check.h"

namespace vm {

namespace {

#ifdef VOBMARKS_VERIFY
std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char esc[8];
      std::snprintf(esc, sizeof esc, "\\u%04x", c);
      out += esc;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

std::string Clock(int64_t ms) {
  char text[40];
  std::snprintf(text, sizeof text, "%lld:%02lld:%02lld.%03lld",
                static_cast<long long>(ms / 3600000), static_cast<long long>(ms / 60000 % 60),
                static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
  return text;
}

void PrintText(const std::string& path, const VolumeReport& r) {
  std::printf("Volume: %s\n", path.c_str());
  std::printf("Titles: %d, chapters: %d, cells: %d, length: %s\n", r.titles, r.chapters,
              r.cells, Clock(r.lengthMs).c_str());
  std::string at;
  for (int64_t c : r.chapterMs) {
    at += ' ';
    at += Clock(c);
  }
  if (!at.empty()) std::printf("Chapters at:%s\n", at.c_str());
  for (const VolumeFault& w : r.warnings)
    std::printf("Warning: %s: %s\n", w.place.c_str(), w.what.c_str());
  for (const VolumeFault& f : r.faults) std::printf("Fault: %s: %s\n", f.place.c_str(), f.what.c_str());
  if (r.faultsLeftOut > 0)
    std::printf("(%lld more faults not listed)\n", static_cast<long long>(r.faultsLeftOut));
  const size_t total = r.faults.size() + static_cast<size_t>(r.faultsLeftOut);
  if (total == 0) {
    std::puts("Sound.");
  } else {
    std::printf("%zu fault%s found.\n", total, total == 1 ? "" : "s");
  }
}

void PrintJson(const std::string& path, const VolumeReport& r) {
  std::printf("{\"volume\": %s, \"sound\": %s, \"titles\": %d, \"chapters\": %d, \"cells\": %d, "
              "\"length_ms\": %lld, ",
              JsonString(path).c_str(), r.faults.empty() ? "true" : "false", r.titles,
              r.chapters, r.cells, static_cast<long long>(r.lengthMs));
  for (size_t i = 0; i < r.chapterMs.size(); ++i)
    std::printf("%s%lld", i ? ", " : "\"chapter_ms\": [", static_cast<long long>(r.chapterMs[i]));
  std::printf("%s\"faults\": [", r.chapterMs.empty() ? "" : "], ");
  for (size_t i = 0; i < r.faults.size(); ++i)
    std::printf("%s{\"place\": %s, \"fault\": %s}", i ? ", " : "",
                JsonString(r.faults[i].place).c_str(), JsonString(r.faults[i].what).c_str());
  std::printf("], \"faults_not_listed\": %lld, \"warnings\": [",
              static_cast<long long>(r.faultsLeftOut));
  for (size_t i = 0; i < r.warnings.size(); ++i)
    std::printf("%s{\"place\": %s, \"warning\": %s}", i ? ", " : "",
                JsonString(r.warnings[i].place).c_str(), JsonString(r.warnings[i].what).c_str());
  std::printf("]}\n");
}
#endif

}  // namespace

int VerifyVolume(const std::string& path, bool json) {
#ifdef VOBMARKS_VERIFY
  const VolumeReport r = CheckVolume(path, &CliUi::StopSignalled);
  if (r.stopped) {
    std::fprintf(stderr, "Error: The check of %s is stopped.\n", path.c_str());
    return 1;
  }
  if (json) {
    PrintJson(path, r);
  } else {
    PrintText(path, r);
  }
  std::fflush(stdout);
  return r.faults.empty() ? 0 : 1;
#else
  (void)path;
  (void)json;
  std::fputs("vobmarks-cli: verify is not available: this program was built without libdvdread "
             "and libdvdnav\n",
             stderr);
  return 2;
#endif
}

int RunVerify(const ParsedArgs& args) {
  bool json = false;
  for (const GivenOption& o : args.options) json = json || o.id == Opt::Json;
  return VerifyVolume(args.positional[0], json);
}

}  // namespace vm
