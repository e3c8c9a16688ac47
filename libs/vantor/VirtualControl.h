#pragma once
// The control channel of Vantor.dll's virtual receiver. While a program serves
// the virtual receiver of a state file, Vantor.dll listens on a named pipe
// whose name is derived from that file; tests and tarvelctl send it one-line
// commands to press the mouse's buttons and to inject faults:
//
//   dpi                  DPI button pressed (next level, event 0x01)
//   rate                 report-rate button pressed (event 0x02)
//   light <flag> <0|1>   light 0x20 (DPI), 0x40 (logo) or 0x80 (main) off/on
//   config               stored configuration changed (event 0x04)
//   event <flags>        one event report with any flags (0-255)
//   unplug [--notice-delay-ms <ms>]
//                        receiver removed: opens fail, open handles die (a
//                        blocked read fails with ERROR_DEVICE_NOT_CONNECTED),
//                        and after <ms> (default 0) the process's windows get
//                        WM_DEVICECHANGE DBT_DEVICEREMOVECOMPLETE for its two
//                        HID interfaces, then for its USB device interface
//   plug [--hid-delay-ms <ms>]
//                        receiver back (handles from before stay dead), with
//                        DBT_DEVICEARRIVAL for its USB device interface; its
//                        HID interfaces open, and are announced, <ms> later
//                        (default 300)
//   asleep <0|1>         the mouse asleep (the receiver answers command 3
//                        with a state other than ready) or awake
//   pid <id>             while unplugged: the product id the receiver comes
//                        back with (another receiver of the product)
//   release <bcd>        the device release number it reports
//   power <level>        the battery level command 4 answers (0-255; the
//                        mouse reports 0-10)
//   latency <ms>         delay of every answer
//   drop <n>             the next n answers are lost
//   result <code>        result code of the following answers (0: success)
//   sendfail <0|1>       feature reports fail to send
//   reports              "ok <n>": feature reports received so far
//   peek <addr> <n>      "ok <hex bytes>": n bytes (1-256) of device memory
//   poke <addr> <byte>   one byte of device memory changed as the mouse
//                        itself changes its settings (no report is sent)
//   notices              "ok <n>": device notices of the process's receivers
//                        not yet delivered to every window (0: all told)
//
// Numbers are decimal or 0x-prefixed hexadecimal. Each command is answered
// with one line, "ok" (possibly followed by a value) or "error <reason>".

#include <string>

// The pipe's name: \\.\pipe\tarvel-virtual-<16 hex digits>, the digits being
// the 64-bit FNV-1a hash of the state file's full path (UTF-16 code units,
// ASCII letters lower-cased, '/' taken as '\'), so every spelling of one file
// reaches the same program and two files never share a pipe.
std::u16string VirtualControlPipeName(const std::u16string& stateFile);

// Sends one command to the program serving `stateFile` and waits up to two
// seconds for the pipe. True when the answer starts with "ok"; `reply`
// (optional) receives the answer line, or the reason no answer came.
bool SendVirtualControl(const std::u16string& stateFile, const std::string& command,
                        std::string* reply);
