#pragma once

#include <span>

#include "link/LinkInterfaces.h"
#include "serial/SerialComm.h"

namespace carecfg {

// The link's view of a serial port: open while the port holds a device, writes handed to the
// port's writer thread. Shared by the window and the command-line tool.
class CommLinkPort : public LinkPort {
public:
    explicit CommLinkPort(TComm& comm) : m_comm(comm) {}
    bool IsOpen() const override { return m_comm.IsOpen(); }
    void Write(std::span<const std::uint8_t> bytes) override;

private:
    TComm& m_comm;
};

}  // namespace carecfg
