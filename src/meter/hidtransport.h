#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include <QString>

#include "meter/meterchoice.h"
#include "meter/transport.h"

namespace quedral {

// The real meter on USB through hidapi's hidraw backend. meter names the one to open (its
// hidraw path or USB serial number); empty: the only one attached (with several, the open
// fails and lastOpenProblem() lists them).
std::unique_ptr<Transport> makeHidTransport(const QString& meter = {});

// Every attached device with the meter's USB vendor and product ids, in the order hidapi
// enumerates them, with the USB descriptor's serial number (empty when it has none).
std::vector<AttachedMeter> attachedHidMeters();

// Report framing of the meter's HID interface (see the comment at the top of
// hidtransport.cpp). Exposed for the transport's tests and for service tools.
inline constexpr int kDefaultHidReportLength = 8;  // bytes of data per report, report ID not counted
inline constexpr int kMaxHidReportLength = 4096;
inline constexpr const char* kHidReportLengthVariable = "QUEDRAL_HID_REPORT_LENGTH";
inline constexpr const char* kUdevRuleFileName = "60-quedral-kv4471.rules";
inline constexpr const char* kUdevRuleSourcePath = "packaging/udev/60-quedral-kv4471.rules";

// The report length in force: QUEDRAL_HID_REPORT_LENGTH when it holds a whole
// number from 1 to kMaxHidReportLength, otherwise kDefaultHidReportLength.
int hidReportLength();

// The output reports that carry `length` bytes of `data`: each starts with report
// ID 0, then up to `reportLength` data bytes, zero-padded to 1 + reportLength bytes.
std::vector<std::vector<std::uint8_t>> hidOutputReports(const std::uint8_t* data, int length, int reportLength);

// The text lastOpenProblem() gives when the meter's hidraw node exists but this
// user may not open it: one line for a person, naming the udev rule and how to
// install it. quedral-cli prints it; the main window can show it as it is.
QString hidAccessProblemText(const QString& devicePath);

} // namespace quedral
