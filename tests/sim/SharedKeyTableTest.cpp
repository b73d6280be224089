// The simulator's side of the shared key table, seen through a client's
// mapping of it: what the mapping answers (the firmware's own bytes) as the
// machine moves and faults come and go, and that the descriptor a client is
// handed lets it read and nothing more.
#include "sim/SharedKeyTable.hpp"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>

#include <gtest/gtest.h>

#include "platform/iokit/KeyTableMapping.hpp"
#include "sim/SimulatedSMC.hpp"
#include "SimFixtures.hpp"

namespace zephrane::sim {
namespace {

using namespace std::chrono_literals;

// A machine whose table is shared, and a client's mapping of it.
struct SharedMachine {
    SharedMachine() { smc.renewSharedKeyTableLease(1h); }

    // The mapping's answer; absent when it sends the call to the socket.
    std::optional<SMCRecord> mapped(const SMCRecord& request) const {
        SMCRecord answer{};
        if (!mapping.answer(request, answer)) return std::nullopt;
        return answer;
    }
    // The firmware's own answer.
    SMCRecord direct(const SMCRecord& request) { return smc.call(request).value().record; }

    SimulatedSMC smc{testing::fixtureProfile({.forceTest = true}), constantLoad(0.5)};
    int descriptor = smc.shareKeyTable();
    iokit::KeyTableMapping mapping{descriptor};
};

std::vector<SMCRecord> readsOfEveryKey(const MachineProfile& profile) {
    std::vector<SMCRecord> requests;
    for (const ProfileKey& key : profile.keys) {
        requests.push_back(testing::infoRequest(key.name));
        requests.push_back(testing::readRequest(key.name, static_cast<std::uint32_t>(key.bytes.size())));
    }
    for (std::uint32_t i = 0; i <= profile.keys.size(); ++i) requests.push_back(testing::indexRequest(i));
    requests.push_back(testing::indexRequest(0xFFFFFFFF));
    requests.push_back(testing::infoRequest("ZZZZ"));
    requests.push_back(testing::readRequest("ZZZZ", 4));
    return requests;
}

TEST(SharedKeyTableTest, TheMappingAnswersWhatTheFirmwareAnswersAsTheMachineMoves) {
    SharedMachine m;
    const MachineProfile profile = testing::fixtureProfile({.forceTest = true});
    auto expectSameAnswers = [&](const char* when) {
        SCOPED_TRACE(when);
        for (const SMCRecord& request : readsOfEveryKey(profile)) {
            const std::optional<SMCRecord> mapped = m.mapped(request);
            ASSERT_TRUE(mapped.has_value()) << FourCC::string(testing::u32At(request, 0));
            EXPECT_EQ(*mapped, m.direct(request)) << FourCC::string(testing::u32At(request, 0)) << " command "
                                                  << int{request[42]};
        }
    };
    expectSameAnswers("at start");

    m.smc.advance(30s);
    expectSameAnswers("after the model moved");

    ASSERT_EQ(testing::resultOf(m.direct(testing::writeRequest("Ftst", 1, SMCDataType::ui8()))), 0);
    m.smc.advance(3s);
    ASSERT_EQ(testing::resultOf(m.direct(testing::writeRequest("F0Md", 1, SMCDataType::ui8()))), 0);
    ASSERT_EQ(testing::resultOf(m.direct(testing::writeRequest("F0Tg", 3000, SMCDataType::flt()))), 0);
    EXPECT_EQ(m.mapped(testing::readRequest("F0Tg", 4)), m.direct(testing::readRequest("F0Tg", 4)))
        << "a write is readable the moment it is answered";
    ASSERT_EQ(testing::resultOf(m.direct(testing::writeRequest("Ftst", 0, SMCDataType::ui8()))), 0);
    EXPECT_EQ(m.mapped(testing::readRequest("F0Md", 1))->at(48), 0) << "the firmware took the fan back";
    expectSameAnswers("after writes");

    // What only the firmware answers goes to it.
    EXPECT_FALSE(m.mapped(testing::writeRequest("F0Tg", 2000, SMCDataType::flt())));
    EXPECT_FALSE(m.mapped(testing::request(7, "F0Mx")));
}

TEST(SharedKeyTableTest, FaultsSendTheCallsTheyTouchToTheSocketUntilCleared) {
    const SMCRecord readHung = testing::readRequest("F0Mx", 4);
    const SMCRecord infoHung = testing::infoRequest("F0Mx");
    const SMCRecord readOther = testing::readRequest("F0Ac", 4);
    const SMCRecord index = testing::indexRequest(0);
    struct Row {
        const char* fault;
        std::function<void(SimulatedSMC&)> inject;
        bool hungKeyOnSocket;
        bool everythingOnSocket;
    } rows[] = {
        {"a hung key", [](SimulatedSMC& smc) { smc.hangKey("F0Mx"); }, true, false},
        {"a hung key the table lacks (its reads must hang, not fail)",
         [](SimulatedSMC& smc) { smc.hangKey("ZZZZ"); }, true, true},
        {"every call hung", [](SimulatedSMC& smc) { smc.hangAll(); }, true, true},
        {"a removed key (the listing has a gap)", [](SimulatedSMC& smc) { smc.removeKey("TB0T"); }, true, true},
        {"a short answer next", [](SimulatedSMC& smc) { smc.shortAnswerNext(10); }, true, true},
        {"refused opens (they go over the socket anyway)", [](SimulatedSMC& smc) { smc.refuseOpens(5); }, false,
         false},
        {"a mode that never takes (writes go over the socket anyway)",
         [](SimulatedSMC& smc) { smc.modeNeverTakes(0); }, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.fault);
        SharedMachine m;
        row.inject(m.smc);
        EXPECT_EQ(!m.mapped(readHung), row.hungKeyOnSocket);
        EXPECT_EQ(!m.mapped(infoHung), row.hungKeyOnSocket);
        EXPECT_EQ(!m.mapped(readOther), row.everythingOnSocket);
        EXPECT_EQ(!m.mapped(index), row.everythingOnSocket);

        m.smc.clearFaults();
        for (const SMCRecord& request : {readHung, infoHung, readOther, index}) {
            ASSERT_TRUE(m.mapped(request)) << "cleared";
            EXPECT_EQ(*m.mapped(request), m.direct(request));
        }
    }
}

TEST(SharedKeyTableTest, AShortAnswerIsTheSocketsForOneCallOnly) {
    SharedMachine m;
    m.smc.shortAnswerNext(10);
    EXPECT_FALSE(m.mapped(testing::readRequest("F0Ac", 4)));
    EXPECT_EQ(m.smc.call(testing::readRequest("F0Ac", 4))->size, 10u);
    EXPECT_TRUE(m.mapped(testing::readRequest("F0Ac", 4))) << "answered short once, the table serves again";
}

TEST(SharedKeyTableTest, ALapsedLeaseOrARetiredTableSendsEverythingToTheSocket) {
    SharedMachine m;
    const SMCRecord read = testing::readRequest("F0Ac", 4);
    ASSERT_TRUE(m.mapped(read));
    m.smc.renewSharedKeyTableLease(0s);
    EXPECT_FALSE(m.mapped(read)) << "a server that stopped renewing may be gone";
    m.smc.renewSharedKeyTableLease(1h);
    EXPECT_TRUE(m.mapped(read));

    m.smc.retireSharedKeyTable();
    EXPECT_FALSE(m.mapped(read));
    EXPECT_FALSE(m.smc.sharedKeyTableForClient().has_value()) << "no longer handed out";
    m.smc.renewSharedKeyTableLease(1h);
    m.smc.clearFaults();
    EXPECT_FALSE(m.mapped(read)) << "retired for good";
}

TEST(SharedKeyTableTest, KeysLargerThanTheRecordAnswerTheirInformationAndRefuseTheirValue) {
    MachineProfile profile = testing::fixtureProfile();
    profile.keys.push_back({"ZBIG", FourCC::code("ch8*"), std::vector<std::uint8_t>(40, 0x41), 0x80, true, false});
    SimulatedSMC smc(profile);
    iokit::KeyTableMapping mapping(smc.shareKeyTable());
    smc.renewSharedKeyTableLease(1h);
    for (const SMCRecord& request : {testing::infoRequest("ZBIG"), testing::readRequest("ZBIG", 40),
                                     testing::readRequest("RHID", 3)}) {
        SMCRecord answer{};
        ASSERT_TRUE(mapping.answer(request, answer));
        EXPECT_EQ(answer, smc.call(request)->record);
    }
}

// A client gets a read-only description of its own; reopened through /proc
// it is writable as every memfd is, so the seals must leave it nothing but
// reading, whatever it tries.
TEST(SharedKeyTableTest, TheDescriptorLetsAClientReadAndNothingMore) {
    SimulatedSMC smc(testing::fixtureProfile());
    smc.shareKeyTable();
    const int shared = smc.sharedKeyTableForClient().value();
    EXPECT_EQ(::fcntl(shared, F_GETFL) & O_ACCMODE, O_RDONLY);
    smc.renewSharedKeyTableLease(1h);
    struct stat status {};
    ASSERT_EQ(::fstat(shared, &status), 0);
    const auto size = static_cast<std::size_t>(status.st_size);
    const SMCRecord read = testing::readRequest("F0Mx", 4);
    const SMCRecord before = smc.call(read)->record;

    const std::string reopened = "/proc/self/fd/" + std::to_string(shared);
    const int writable = ::open(reopened.c_str(), O_RDWR);
    const std::vector<std::uint8_t> garbage(size, 0xEE);
    struct Row {
        const char* attempt;
        std::function<bool()> succeeded;
    } rows[] = {
        {"a shared writable mapping",
         [&] {
             void* p = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, shared, 0);
             if (p == MAP_FAILED) return false;
             ::munmap(p, size);
             return true;
         }},
        {"a read-only mapping made writable",
         [&] {
             void* p = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, shared, 0);
             if (p == MAP_FAILED) return false;
             const bool changed = ::mprotect(p, size, PROT_READ | PROT_WRITE) == 0;
             ::munmap(p, size);
             return changed;
         }},
        {"writing", [&] { return ::pwrite(shared, garbage.data(), garbage.size(), 0) > 0; }},
        {"writing through the file reopened for writing",
         [&] { return writable >= 0 && ::pwrite(writable, garbage.data(), garbage.size(), 0) > 0; }},
        {"shrinking", [&] { return ::ftruncate(shared, 0) == 0; }},
        {"growing", [&] { return ::ftruncate(shared, static_cast<off_t>(size * 2)) == 0; }},
        {"punching a hole",
         [&] {
             return ::fallocate(shared, FALLOC_FL_PUNCH_HOLE | FALLOC_FL_KEEP_SIZE, 0, static_cast<off_t>(size)) == 0;
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.attempt);
        EXPECT_FALSE(row.succeeded());
    }
    if (writable >= 0) ::close(writable);

    // A private writable mapping is the client's own copy and changes nothing.
    void* own = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE, shared, 0);
    ASSERT_NE(own, MAP_FAILED);
    std::memset(own, 0xEE, size);
    ::munmap(own, size);

    iokit::KeyTableMapping mapping(shared);
    SMCRecord mapped{};
    ASSERT_TRUE(mapping.answer(read, mapped));
    EXPECT_EQ(mapped, before);
    struct stat after {};
    ASSERT_EQ(::fstat(shared, &after), 0);
    EXPECT_EQ(after.st_size, status.st_size);
    ::close(shared);
}

}  // namespace
}  // namespace zephrane::sim
