#include "files/pending_work_files.h"

#include <algorithm>
#include <string_view>

#include "core/driver.h"
#include "core/time_stamp.h"
#include "files/line_reader.h"
#include "files/work_files.h"
#include "platform/file_moves.h"
#include "platform/files.h"

namespace tolvan {
namespace {

constexpr std::string_view kStarted = "started ";
constexpr std::string_view kWorkFileEnd = "Wrk.txt";
// "~2", "~3" ... follow a folder name an earlier set-aside of the same
// second took; files are never moved into a folder that holds some.
constexpr int kMaxFolderTries = 100;

struct PendingRecord {
  std::string started;  // the driver log's stamp of the receive; empty when damaged
  std::vector<std::string> workFiles;
};

// The record is the driver's own file, yet read as one from outside: only
// lines naming a work file count, so a damaged record moves nothing else.
PendingRecord readPendingRecord() {
  PendingRecord record;
  std::FILE* file = openFile(kPendingWorkFiles, "rb");
  if (file == nullptr) return record;
  QuietLog quiet;
  LineReader reader(file, quiet.log());
  for (char* line = reader.nextLine(); line != nullptr; line = reader.nextLine()) {
    std::string_view text(line);
    if (reader.lineCount() == 1 && text.starts_with(kStarted)) {
      record.started = text.substr(kStarted.size());
    } else if (text.ends_with(kWorkFileEnd)) {
      record.workFiles.emplace_back(text);
    }
  }
  std::fclose(file);
  return record;
}

std::string unfinishedReceive(const PendingRecord& record) {
  return "a totals receive started " + (record.started.empty() ? std::string("at an unknown time") : record.started) +
         " did not finish";
}

std::string folderStamp(const LocalTime& t) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d_%02d%02d%02d", t.year, t.month, t.day, t.hour, t.minute,
                t.second);
  return text;
}

bool makeKeptFolder(const LocalTime& now, std::string& folder) {
  if (makeFolder(kKeptWorkFolder) == NewFolder::Failed) return false;
  const std::string base = std::string(kKeptWorkFolder) + "/" + folderStamp(now);
  for (int n = 1; n <= kMaxFolderTries; ++n) {
    folder = n == 1 ? base : base + "~" + std::to_string(n);
    NewFolder made = makeFolder(folder);
    if (made != NewFolder::Exists) return made == NewFolder::Created;
  }
  return false;
}

// A work file in another folder (a scale name holding '/') keeps its whole
// name, flattened.
std::string flatName(std::string name) {
  std::replace(name.begin(), name.end(), '/', '_');
  return name;
}

bool moveInto(const std::string& folder, const std::string& name, std::string& failed) {
  if (moveFileNoReplace(name, folder + "/" + flatName(name))) return true;
  failed = name;
  return false;
}

// The work files first, on disk before the record follows them: a power
// cut in between leaves the record, and the next run moves what is left.
bool moveAside(const PendingRecord& record, KeptFiles& kept, std::string& failed) {
  for (const std::string& name : record.workFiles) {
    if (!fileExists(name)) continue;
    if (!moveInto(kept.folder, name, failed)) return false;
    kept.files.push_back(flatName(name));
  }
  failed = kept.folder;
  if (!syncFolder(kept.folder) || !syncFolder(".")) return false;
  return moveInto(kept.folder, kPendingWorkFiles, failed) && syncFolder(kept.folder) && syncFolder(".");
}

}  // namespace

MessageCode notePendingWorkFiles(Driver& driver) {
  std::string text = std::string(kStarted) + formatTimeStamp(driver.clock.localNow()) + "\r\n";
  for (int i = 0; i < driver.scales.count(); ++i) text += workFileName(*driver.scales.get(i)) + "\r\n";
  ReplacementFile record(kPendingWorkFiles);
  if (record.open() && record.write(text) && record.commit()) return kMsgOk;
  driver.log.error(kMsgWorkFileError, kPendingWorkFiles);
  return kMsgWorkFileError;
}

void settlePendingWorkFiles(bool exported, std::FILE* err) {
  if (!exported) {
    std::fprintf(err, "tolvandrv: warning: without the export, the received totals are kept in the work files; the "
                 "next run moves them into a folder of their own under %s/ and leaves them there\n", kKeptWorkFolder);
  } else if (!removeFileDurably(kPendingWorkFiles)) {
    std::fprintf(err, "tolvandrv: warning: cannot remove %s: the next run sets this run's work files aside "
                 "although the export holds their lines\n", kPendingWorkFiles);
  }
}

MessageCode keepPendingWorkFiles(Driver& driver, std::optional<KeptFiles>& kept, std::FILE* err) {
  if (!fileExists(kPendingWorkFiles)) return kMsgOk;
  PendingRecord record = readPendingRecord();
  kept.emplace();
  std::string failed = kKeptWorkFolder;
  if (makeKeptFolder(driver.clock.localNow(), kept->folder) && moveAside(record, *kept, failed)) {
    std::fprintf(err, "tolvandrv: warning: %s; its work files (%zu) are moved to %s/: their lines are sales that may "
                 "be in no export: compare them with the last export, give the store system what it lacks, then "
                 "remove the folder\n",
                 unfinishedReceive(record).c_str(), kept->files.size(), kept->folder.c_str());
    return kMsgOk;
  }
  std::fprintf(err, "tolvandrv: %s, and setting its work files aside in %s/ failed at %s; the run stops so that "
               "they are not deleted: make way for the folder, or move them and %s aside by hand, then run again\n",
               unfinishedReceive(record).c_str(), kKeptWorkFolder, failed.c_str(), kPendingWorkFiles);
  driver.log.error(kMsgWorkFileError, failed.c_str());
  if (kept->files.empty()) kept.reset();
  return kMsgWorkFileError;
}

void findPendingWorkFiles(FindingList& findings) {
  if (!fileExists(kPendingWorkFiles)) return;
  PendingRecord record = readPendingRecord();
  size_t present = 0;
  for (const std::string& name : record.workFiles) present += fileExists(name) ? 1 : 0;
  findings.push_back({kPendingWorkFiles, 0,
                      unfinishedReceive(record) + " and left " + std::to_string(present) +
                          " work files that may hold sales in no export; the next run moves them into a folder "
                          "of their own under " + kKeptWorkFolder + "/ and leaves them there"});
}

}  // namespace tolvan
