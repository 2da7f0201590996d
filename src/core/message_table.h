// The driver's fixed table of 45 message texts. A MessageCode is an index
// into it and also the result of every operation that can fail (0 = success).
#pragma once

#include <cstdarg>
#include <string>

namespace tolvan {

enum MessageCode : int {
  kMsgOk = 0,  // the empty text; also "success"
  kMsgErrorWord = 1,
  kMsgInternalError = 2,
  kMsgImportData = 3,
  kMsgImportDeletions = 4,
  kMsgDeleteAll = 5,
  kMsgReceiveData = 6,
  kMsgCompletedOk = 7,
  kMsgDriverError = 8,
  kMsgInvalidDataType = 9,
  kMsgNoImportFile = 10,
  kMsgLineTooLong = 11,
  kMsgCannotOpenSetup = 12,
  kMsgInvalidSetupParam = 13,
  kMsgInvalidSetupValue = 14,
  kMsgCannotOpenTextFile = 15,
  kMsgNoImportData = 16,
  kMsgTypeNotSupported = 17,
  kMsgCannotConnect = 18,
  kMsgConvertError = 19,
  kMsgResendOpenError = 20,
  kMsgSendError = 21,
  kMsgReceiveError = 22,
  kMsgNakReceived = 23,
  kMsgInvalidLength = 24,
  kMsgScaleDataError = 25,
  kMsgScaleErrorCode = 26,
  kMsgScaleBusy = 27,
  kMsgReceiveTimeout = 28,
  kMsgChecksumError = 29,
  kMsgMaxRetries = 30,
  kMsgWorkFileError = 31,
  kMsgScaleFailed = 32,
  kMsgOutOfMemory = 33,
  kMsgNotSupported = 34,
  kMsgBadDataFormat = 35,
  kMsgSummaryWithErrors = 42,
  kMsgSummaryAllOk = 43,
};

inline constexpr int kMessageCount = 45;
// A formatted message, prefix included, is cut at this many characters.
inline constexpr size_t kMaxMessageLen = 255;

// The format text of a code; codes below 0 or of 44 and above give "".
const char* messageText(int code);

// Formats the code's text printf-style with the arguments, cut at `limit`.
std::string formatMessageV(int code, size_t limit, va_list args);
std::string formatMessage(int code, ...);

// The error form: " Error 0012:" followed by the formatted text, cut at 255.
std::string formatErrorMessageV(int code, va_list args);

}  // namespace tolvan
