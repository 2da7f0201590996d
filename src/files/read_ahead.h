// ReadAhead: the records the look at the import file read before the run,
// kept for the import of the same run, so that a run reads and parses its
// file once. The import takes them only when nothing that decides what the
// file gives has changed since the look: the same file with the same size
// and last change, and the same format, data type, operation, separator,
// description pairs and message limit. Otherwise it reads the file itself.
#pragma once

#include <memory>
#include <optional>

#include "core/driver_options.h"
#include "core/record_list.h"
#include "files/record_collector.h"
#include "platform/files.h"

namespace tolvan {

class ReadAhead {
 public:
  // Starts keeping what a look at the file `options` name reads; false
  // (nothing kept) for a file the import does not read in one order of
  // keys, or one that is no regular file.
  bool start(const DriverOptions& options);
  // Where the look keeps the records; nullptr when not started.
  RecordCollector* collector() { return collector_.get(); }
  // The look read the whole file as the import would: no over-long line
  // ended it, and its header did not stop it.
  void complete() { complete_ = collector_ != nullptr; }

  // Hands the kept records to the lists when they still stand for the
  // file `options` name; false (nothing handed) when the import must read
  // the file itself.
  bool handOver(const DriverOptions& options, RecordList& records, RecordHeaderList& headers);

 private:
  DriverOptions basis_;
  FileStamp stamp_;
  std::unique_ptr<RecordCollector> collector_;
  bool complete_ = false;
};

}  // namespace tolvan
