// The checker: faults and warnings as they are found, and the walk over the
// volume that calls each check.
#ifdef VOBMARKS_VERIFY

#include "cli/verify_checker.h"

#include <sys/stat.h>

#include <cerrno>
#include <unistd.h>

namespace vm::verify {

using namespace dvd;  // the navigation pack's offsets

void Checker::Fault(const std::string& place, const std::string& what) {
  if (out_ >= 0) SendLine("F\t" + OneField(place) + "\t" + OneField(what));
  if (r_.faults.size() < kMaxListedFaults) {
    r_.faults.push_back({place, what});
  } else {
    ++r_.faultsLeftOut;
  }
}

void Checker::Warning(const std::string& place, const std::string& what) {
  if (out_ >= 0) SendLine("W\t" + OneField(place) + "\t" + OneField(what));
  if (r_.warnings.size() < kMaxListedFaults) r_.warnings.push_back({place, what});
}

void Checker::SendLine(const std::string& line) {
  const std::string text = line + "\n";
  for (size_t done = 0; done < text.size();) {
    ssize_t n = write(out_, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<size_t>(n);
  }
}

void Checker::Run(const std::string& path) {
  // A folder's files have no sectors of the volume; an image's (or a
  // drive's) do.
  struct stat st {};
  image_ = stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
  dvd_logger_cb cb = {CollectLog};
  reader_.reset(DVDOpen2(&log_, &cb, path.c_str()));
  if (!reader_) {
    Fault(path, "libdvdread cannot open it as a DVD-Video volume");
    return;
  }
  CompareBackup(0, "VIDEO_TS");
  CheckIfoTables(0, "VIDEO_TS.IFO");
  Ifo vmg(ifoOpen(reader_.get(), 0));
  FlushLog("VIDEO_TS.IFO");
  if (!vmg || vmg->tt_srpt == nullptr || vmg->vmgi_mat == nullptr) {
    Fault("VIDEO_TS.IFO", "libdvdread cannot read it");
    return;
  }
  r_.opened = true;
  const tt_srpt_t* tt = vmg->tt_srpt;
  r_.titles = tt->nr_of_srpts;
  const int sets = vmg->vmgi_mat->vmg_nr_of_title_sets;
  for (int v = 1; v <= sets; ++v) CheckTitleSet(v, *tt);
  for (int i = 0; i < tt->nr_of_srpts; ++i) {
    r_.chapters += tt->title[i].nr_of_ptts;
    if (tt->title[i].title_set_nr < 1 || tt->title[i].title_set_nr > sets)
      Fault(Format("VIDEO_TS.IFO TT_SRPT title %d", i + 1),
            Format("title set %d does not exist", tt->title[i].title_set_nr));
  }
  // The numbers are known before playing, which is what may crash.
  if (out_ >= 0) SendLine(SummaryLine(r_));
  for (int i = 0; i < tt->nr_of_srpts; ++i)
    if (tt->title[i].title_set_nr >= 1 && tt->title[i].title_set_nr <= sets)
      PlayTitle(path, i + 1, tt->title[i].title_set_nr, tt->title[i].nr_of_ptts);
}

void Checker::FlushLog(const std::string& place) {
  for (const std::string& l : log_) Fault(place, "libdvdread: " + l);
  log_.clear();
}

}  // namespace vm::verify

#endif  // VOBMARKS_VERIFY
