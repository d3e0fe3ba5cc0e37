#pragma once

#include "common/SimRecords.h"
#include "link/CControllerLink.h"
#include "sim/CControllerSim.h"

#include <QElapsedTimer>
#include <gtest/gtest.h>

// A simulated controller on a real pseudo-terminal and a link opened on it.
class SimLinkTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sim.Start()) << sim.ErrorString().toStdString();
        link.Configure(sim.SlavePath(), 19200, CSerialPort::ParityEven, 8, CSerialPort::StopTwo);
        ASSERT_TRUE(link.Open()) << "cannot open " << sim.SlavePath().toStdString();
    }

    // Runs one exchange and returns how long it took in milliseconds.
    qint64 Timed(CLinkPacket& packet, int attempts, bool& accepted)
    {
        QElapsedTimer timer;
        timer.start();
        accepted = link.Transact(packet, attempts);
        return timer.elapsed();
    }

    static LinkFrame ReplyFrame(std::uint8_t status, std::uint8_t ext, std::uint16_t w1,
                                std::uint16_t w2, std::uint16_t w3 = 0)
    {
        CLinkRecord r;
        r.control = status;
        r.extension = ext;
        r.word1 = w1;
        r.word2 = w2;
        r.word3 = w3;
        return CSimModel::EncodeReply(r);
    }

    static QByteArray Bytes(const LinkFrame& frame) { return FrameBytes(frame); }

    CControllerSim sim; // declared first: outlives the link
    CControllerLink link;
};
