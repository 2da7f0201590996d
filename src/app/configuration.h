// The configuration file: global defaults for DriverOptions and one
// ScaleEntry per scale line, read at every run before any operation.
#pragma once

#include <string_view>

#include "core/driver_options.h"
#include "core/message_table.h"
#include "core/scale_entry.h"

namespace tolvan {

class Driver;

// Keyword tables; a lookup gives the position of the first entry that the
// text matches (lowered, by prefix), or the table's size when none does.
enum class KeywordTable { Keys, Models, Countries, Protocols, Charsets };
enum ConfigKey : int {
  kKeyScale = 0,
  kKeyIp,
  kKeyPort,
  kKeyModel,
  kKeyVersion,
  kKeyIs8bit,
  kKeyMaxExMsg,
  kKeyMaxPluDescLen,
  kKeyConnectTimeout,
  kKeyReceiveTimeout,
  kKeyLog,
  kKeyResend,
  kKeyPriceDecPt,
  kKeyWeightDecPt,
  kKeyCharset,
  kKeyLabelWidth,
  kKeyProtocol,
  kKeyUnknown,
};

int lookupKeyword(KeywordTable table, std::string_view text);
// "true", "yes", "on" (by prefix, any case) give 1; anything else 0.
int yesValue(std::string_view text);
const char* configKeyName(int key);  // "" for kKeyUnknown

// One item of a configuration line split at its first '=': the key text
// (leading blanks skipped) and the value as it stands, pointing into the
// item; no '=' leaves `value` null.
struct ConfigItem {
  std::string_view key;
  const char* value = nullptr;
};
ConfigItem splitConfigItem(char* item);

// Applies a global key of a line's first item to the options; false for a
// key that may not open a line.
bool applyGlobalKey(DriverOptions& options, int key, const char* value);

// Reads driver.options.configFile into driver.scales and driver.options.
// Returns 0, 12 (cannot open), 13 (bad first item) or 14 (bad model or
// version value; a scale name, log= or resend= whose file leads out of the
// folder or is another file of the run, run_files.h); the message is
// logged where it is found. Only a configuration read whole without error
// deletes the scales' work files and scale logs of the last run, and only
// for a run (`lastRunFiles` Delete): the simulator reads the same file in
// the same folder and must not take a driver's unexported totals with it.
enum class LastRunFiles { Delete, Keep };
MessageCode loadConfiguration(Driver& driver, LastRunFiles lastRunFiles = LastRunFiles::Delete);

// Applies one scale key to the entry; false only for an invalid "model" or
// "version" value.
bool setScaleKey(ScaleEntry& scale, int key, const char* value);

}  // namespace tolvan
