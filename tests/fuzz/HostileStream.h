// A state stream as a careless or hostile host may hand it over: it can fail
// after some calls, deliver fewer bytes than it reports, report more than it
// was asked for or a negative count, keep failing or succeed without data,
// and refuse or misreport seeks. What it does is decoded from fuzzer bytes.
#pragma once

#include <cstdint>
#include <pluginterfaces/base/ibstream.h>
#include <vector>

namespace tonewellfuzz {

class HostileStream : public Steinberg::IBStream {
public:
    struct Behaviour {
        int failAfterReads = -1; // reads from this one on report an error (-1: never)
        bool deliverOnFailure = false;
        int shortBy = 0;    // each read delivers this many bytes fewer than it says
        int overReport = 0; // and reports this many more than it delivered
        bool negativeCount = false;
        bool seekFails = false;
        int64_t seekSkew = 0; // added to every position a seek or tell reports
        int failAfterWrites = -1;
        bool shortWrites = false;
    };

    HostileStream(std::vector<std::uint8_t> bytes, const Behaviour& behaviour);

    Steinberg::tresult PLUGIN_API read(void* buffer, Steinberg::int32 numBytes,
                                       Steinberg::int32* numBytesRead) override;
    Steinberg::tresult PLUGIN_API write(void* buffer, Steinberg::int32 numBytes,
                                        Steinberg::int32* numBytesWritten) override;
    Steinberg::tresult PLUGIN_API seek(Steinberg::int64 pos, Steinberg::int32 mode,
                                       Steinberg::int64* result) override;
    Steinberg::tresult PLUGIN_API tell(Steinberg::int64* pos) override;

    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;
    Steinberg::uint32 PLUGIN_API addRef() override { return ++references; }
    Steinberg::uint32 PLUGIN_API release() override { return --references; }

    const std::vector<std::uint8_t>& Bytes() const { return bytes; }
    // Checked by the owner: the plug-in keeps no reference it did not take.
    Steinberg::uint32 References() const { return references; }

private:
    std::vector<std::uint8_t> bytes;
    Behaviour behaviour;
    Steinberg::int64 position = 0;
    int reads = 0, writes = 0;
    Steinberg::uint32 references = 1;
};

} // namespace tonewellfuzz
