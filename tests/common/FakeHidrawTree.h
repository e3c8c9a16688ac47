#pragma once
// A folder that stands in for what Linux shows of its HID devices: sysfs
// (class/hidraw entries leading to the HID device with its uevent and report
// descriptor, the USB interface and the USB device above it), the device
// nodes and the process table, laid out as the kernel lays them out. Tests of
// the hidraw library and of tarvelctl build one per case.

#include "HidDescriptors.h"

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fake {

namespace fs = std::filesystem;

// Where a HID interface sits: USB device on root port `port`, interface
// `interfaceNumber` of it.
struct UsbPlace {
    int port = 2;
    int interfaceNumber = 1;
};

class Tree {
public:
    explicit Tree(fs::path root) : m_root(std::move(root)) {
        fs::remove_all(m_root);
        fs::create_directories(m_root / "sys" / "class" / "hidraw");
        fs::create_directories(m_root / "dev");
        fs::create_directories(m_root / "proc");
    }
    const fs::path& Root() const { return m_root; }
    fs::path Node(const std::string& name) const { return m_root / "dev" / name; }

    // A USB device with its ids and release number.
    void AddUsbDevice(int port, uint16_t vid, uint16_t pid, uint16_t release) {
        const fs::path dir = UsbDir(port);
        fs::create_directories(dir);
        Write(dir / "idVendor", Hex4(vid) + "\n");
        Write(dir / "idProduct", Hex4(pid) + "\n");
        Write(dir / "bcdDevice", Hex4(release) + "\n");
    }
    // A HID interface of the device at `place` (added before) with its
    // hidraw node `name`; the node is a regular file, or a FIFO to read from.
    void AddHidraw(const std::string& name, UsbPlace place, uint16_t vid, uint16_t pid,
                   const Bytes& descriptor, bool fifo = false) {
        const fs::path usbInterface =
            UsbDir(place.port) /
            ("1-" + std::to_string(place.port) + ":1." + std::to_string(place.interfaceNumber));
        fs::create_directories(usbInterface);
        char interfaceNumber[8];
        std::snprintf(interfaceNumber, sizeof interfaceNumber, "%02x\n", place.interfaceNumber);
        Write(usbInterface / "bInterfaceNumber", interfaceNumber);
        const fs::path hid = usbInterface / ("0003:" + Upper(Hex4(vid)) + ":" + Upper(Hex4(pid)) +
                                             "." + Hex4(uint16_t(++m_hidSerial)));
        AddHidDevice(hid, name, "0003:0000" + Upper(Hex4(vid)) + ":0000" + Upper(Hex4(pid)),
                     descriptor, fifo);
    }
    // A HID device off USB (Bluetooth), under `parent`.
    void AddBluetoothHidraw(const std::string& name, uint16_t vid, uint16_t pid,
                            const Bytes& descriptor) {
        const fs::path hid = m_root / "sys" / "devices" / "virtual" / "misc" / "uhid" /
                             ("0005:" + Upper(Hex4(vid)) + ":" + Upper(Hex4(pid)) + "." +
                              Hex4(uint16_t(++m_hidSerial)));
        AddHidDevice(hid, name, "0005:0000" + Upper(Hex4(vid)) + ":0000" + Upper(Hex4(pid)),
                     descriptor, false);
    }
    // Process `pid` named `comm` holds `node` open.
    void Hold(int pid, const std::string& comm, const fs::path& node) {
        const fs::path process = m_root / "proc" / std::to_string(pid);
        fs::create_directories(process / "fd");
        Write(process / "comm", comm + "\n");
        int fd = 3;
        while (fs::exists(fs::symlink_status(process / "fd" / std::to_string(fd))))
            ++fd;
        fs::create_symlink(node, process / "fd" / std::to_string(fd));
    }

private:
    static std::string Hex4(uint16_t value) {
        char text[8];
        std::snprintf(text, sizeof text, "%04x", unsigned(value));
        return text;
    }
    static std::string Upper(std::string text) {
        for (char& c : text)
            if (c >= 'a' && c <= 'f')
                c = char(c - 'a' + 'A');
        return text;
    }
    static void Write(const fs::path& file, const std::string& content) {
        std::ofstream(file, std::ios::binary) << content;
    }
    fs::path UsbDir(int port) const {
        return m_root / "sys" / "devices" / "pci0000:00" / "0000:00:14.0" / "usb1" /
               ("1-" + std::to_string(port));
    }
    void AddHidDevice(const fs::path& hid, const std::string& name, const std::string& hidId,
                      const Bytes& descriptor, bool fifo) {
        fs::create_directories(hid / "hidraw" / name);
        Write(hid / "uevent", "DRIVER=hid-generic\nHID_ID=" + hidId + "\nHID_NAME=Receiver\n");
        Write(hid / "report_descriptor", std::string(descriptor.begin(), descriptor.end()));
        Write(hid / "hidraw" / name / "uevent", "MAJOR=242\nMINOR=0\nDEVNAME=" + name + "\n");
        fs::create_directory_symlink(hid / "hidraw" / name,
                                     m_root / "sys" / "class" / "hidraw" / name);
        if (fifo)
            ::mkfifo(Node(name).c_str(), 0600);
        else
            Write(Node(name), "");
    }

    fs::path m_root;
    int m_hidSerial = 0;
};

} // namespace fake
