// One simulated scale: what it was configured as (family, country version,
// check byte width), the faults it was told to show, the files it writes,
// and what it holds (records and totals) with its running counters.
#pragma once

#include <cstdint>
#include <string>

#include "sim/record_store.h"

namespace tolvan::sim {

enum class Family { Message, Block };

// How the scale answers, as set by its "simfault" items. Counts of 0 mean
// the fault is off; -1 means "every time".
struct FaultPlan {
  bool refuse = false;      // nobody listens on the port
  bool silent = false;      // connections are taken, nothing is ever answered
  int busyStarts = 0;       // message family: session starts answered busy
  bool errorReply = false;  // message family: error flag on every reply but 80/81
  int errorCode = 0;
  bool countsReply = false;  // message family: error flag with the counts below
  int countReceived = 0;
  int countAccepted = 0;
  int countErrors = 0;
  bool okCounts = false;  // message family: replies without error flag carry the counts below
  int okReceived = 0;
  int okAccepted = 0;
  int okErrors = 0;
  bool resetError = false;  // message family: a totals reset is refused with this code
  int resetErrorCode = 0;
  bool resetDrop = false;  // a totals reset or clear record drops the line unanswered
  bool nonDigit = false;   // the first totals record of each upload holds a non-digit
  int enquiryNaks = 0;  // block family: enquiries answered with NAK
  int nakBlock = 0;     // block family: the n-th block of a connection gets NAK
  int badChecks = 0;    // block family: wrong check bytes before the right one
  int dropAfter = 0;    // connection dropped after n blocks (block) or n bytes of a data reply (message)
  bool hangReset = false;  // message family: a totals reset is applied and never answered
  bool stopRead = false;   // message family: stops reading its socket when a batch begins
  int trickleMs = 0;       // the reply to an upload trickles a byte every n ms, without end
  int endlessEnquiryMs = 0;   // block family: after the line turns, its enquiry every n ms, forever
  int resetAfterStatusMs = 0;  // message family: a batch is answered "taken" at once, the line reset n ms later
  bool noAccept = false;   // its accept queue is kept full: connection requests are dropped
  bool flood = false;      // an upload of PLUs is answered with PLUs without end
  int slowMs = 0;          // every answer goes out this many ms late
};

struct ScaleProfile {
  std::string name;
  int model = 6;
  int version = 7;
  bool udp = false;
  bool eightBit = true;
  int maxExMsg = 99;
  int scaleNo = 1;
  Family family = Family::Message;
  bool usa() const { return version == 0; }
  bool lm50() const { return model == 5; }
};

struct SimScale {
  ScaleProfile profile;
  FaultPlan faults;
  std::string seedFile;
  std::string transcriptFile;
  std::string dumpFile;
  uint16_t configuredPort = 0;
  uint16_t port = 0;  // the port actually served (or reserved when refusing)

  RecordStore store;
  int sessionStarts = 0;  // message 80 seen
  int enquiries = 0;      // enquiries seen
  int blockSeq = 0;       // number of the next block this scale sends
  int connections = 0;
};

}  // namespace tolvan::sim
