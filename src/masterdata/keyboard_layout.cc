#include "masterdata/keyboard_layout.h"

#include <cstdlib>
#include <cstring>

#include "core/record_list.h"
#include "masterdata/block_fields.h"
#include "records/deletion_record.h"
#include "records/message_record.h"
#include "records/packing.h"
#include "records/scale_fields.h"
#include "records/first_arrival.h"

namespace tolvan {
namespace {

constexpr int kMsgNoKeyboard = 36;
constexpr int kMsgNoKeyboardDeletion = 6;
constexpr int kMsgNoKeyboardRequest = 56;
constexpr uint16_t kKeyboardBodyLen = 6;

// The highest key the scale has: one page on "meriopro", two elsewhere.
int32_t lastKey(const ScaleEntry& scale) { return scale.model == kModelMerioPro ? kKeysPerPage : kMaxKeyTwoPages; }

bool keyInRange(const ScaleEntry& scale, int32_t keyNo) { return keyNo >= 1 && keyNo <= lastKey(scale); }

// "usa":  "640"/"641"     key on page (2)  type (1)  data (6)   12 characters
// others: "38020"/"38021" key on page (2)  type (1)  data (6)   14
bool convertBlockKey(const ScaleEntry& scale, const KeyboardRecord& key, std::span<uint8_t> buffer, int& length,
                     ScaleFieldList* trace) {
  const bool secondPage = key.keyNo > kKeysPerPage;
  const int keyOnPage = static_cast<int>(secondPage ? key.keyNo - kKeysPerPage : key.keyNo);
  BlockFields line(buffer, trace);
  if (scale.version == kVersionUsa) {
    line.put(3, secondPage ? "641" : "640");
  } else {
    line.put(5, secondPage ? "38021" : "38020");
  }
  line.put(2, "%.2d", keyOnPage);
  line.number(offsetof(KeyboardRecord, keyType), 1, "%ld", key.keyType);
  line.number(offsetof(KeyboardRecord, data), 6, "%.6ld", key.data);
  return line.finish(length);
}

// Record header (message 36, body 6), then the body:
// [0] key number, low 8 bits  [1] key type, low 8 bits  [2..5] data, 8 packed digits
bool convertMessageKey(const KeyboardRecord& key, int& code, std::span<uint8_t> buffer, int& length,
                       ScaleFieldList* trace) {
  const size_t total = kMessageRecordHeaderLen + kKeyboardBodyLen;
  if (buffer.size() < total) return false;
  MakeRecordHeader(buffer, kMsgNoKeyboard, kKeyboardBodyLen);
  std::span<uint8_t> body = buffer.subspan(kMessageRecordHeaderLen, kKeyboardBodyLen);
  body[0] = static_cast<uint8_t>(key.keyNo);
  body[1] = static_cast<uint8_t>(key.keyType);
  PackBcdField(body.subspan(2, 4), static_cast<uint32_t>(key.data), 8, trace, offsetof(KeyboardRecord, data));
  code = kMsgNoKeyboard;
  length = static_cast<int>(total);
  return true;
}

bool putBlockText(std::span<uint8_t> buffer, const char* text, int& length) {
  BlockFields line(buffer);
  line.put(std::strlen(text), "%s", text);
  return line.finish(length);
}

bool convertMessageKeyDeletion(const ScaleEntry& scale, int32_t keyNo, int& code, std::span<uint8_t> buffer,
                               int& length, ScaleFieldList* trace) {
  if (keyNo != 0 && !keyInRange(scale, keyNo)) return false;
  // Only the key's two lowest digits travel, and 00 clears every key: key
  // 100 of a vt40 must not become that.
  if (keyNo != 0 && keyNo % 100 == 0) return false;
  if (buffer.empty()) return false;
  PackBcdField(buffer.first(1), static_cast<uint32_t>(keyNo), 2, trace, offsetof(DeletionRecord, recNo));
  code = kMsgNoKeyboardDeletion;
  length = 1;
  return true;
}

}  // namespace

void buildKeyboardFieldTable(FieldTable& table) {
  table.append(new FieldDef("Key_No", FieldKind::Long, 4, offsetof(KeyboardRecord, keyNo),
                            FieldMeaning{FieldUnit::None, 1, 88, "block-family and vt40 scales take up to 176"}));
  table.append(new FieldDef("Type", FieldKind::Long, 4, offsetof(KeyboardRecord, keyType), digitsRange(1)));
  table.append(new FieldDef("Data", FieldKind::Long, 4, offsetof(KeyboardRecord, data), digitsRange(6)));
}

KeyboardRecord* newKeyboardRecord() { return allocRecord<KeyboardRecord>(); }

bool convertKeyboard(const ScaleEntry& scale, const void* record, int& code, std::span<uint8_t> buffer,
                     int& length, ScaleFieldList* trace) {
  length = 0;
  if (record == nullptr) return false;
  KeyboardRecord key{};
  std::memcpy(&key, record, sizeof key);
  const bool message = ScaleIsMessageFamily(scale);
  if (!(message || ScaleIsBlockFamily(scale)) || !keyInRange(scale, key.keyNo)) return false;
  return message ? convertMessageKey(key, code, buffer, length, trace)
                 : convertBlockKey(scale, key, buffer, length, trace);
}

bool convertKeyboardDeletion(const ScaleEntry& scale, const void* record, int& code, std::span<uint8_t> buffer,
                             int& length, ScaleFieldList* trace) {
  length = 0;
  if (record == nullptr) return false;
  DeletionRecord deletion{};
  std::memcpy(&deletion, record, sizeof deletion);
  if (ScaleIsMessageFamily(scale)) {
    return convertMessageKeyDeletion(scale, deletion.recNo, code, buffer, length, trace);
  }
  // A block scale can only clear its whole keyboard.
  if (!ScaleIsBlockFamily(scale) || deletion.recNo != 0) return false;
  return putBlockText(buffer, scale.version == kVersionUsa ? "15" : "1501", length);
}

bool buildKeyboardUploadRequest(const ScaleEntry& scale, int& code, std::span<uint8_t> buffer, int& length) {
  length = 0;
  if (!ScaleIsMessageFamily(scale)) return false;
  const size_t n = scale.model == kModelVt40 ? 5 : 4;
  if (buffer.size() < n) return false;
  std::fill_n(buffer.begin(), n, 0);
  code = kMsgNoKeyboardRequest;
  length = static_cast<int>(n);
  return true;
}

void* parseReceivedKeyboard(const ScaleEntry& scale, std::span<const uint8_t> data) {
  if (!ScaleIsMessageFamily(scale) || data.size() < kKeyboardBodyLen) return nullptr;
  KeyboardRecord* key = newKeyboardRecord();
  if (key == nullptr) return nullptr;
  key->keyNo = data[0];
  key->keyType = data[1];
  UnpackBcdLong(key->data, data.subspan(2, 4), 8);
  return key;
}

bool handleReceivedKeyboard(ScaleEntry& scale, std::span<const uint8_t> data) {
  void* key = parseReceivedKeyboard(scale, data);
  if (key == nullptr) return false;
  keepFirstArrival(scale, key, sizeof(KeyboardRecord));
  return true;
}

}  // namespace tolvan
