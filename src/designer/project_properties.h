#pragma once
// The properties of a routing project: the network's name and id, the routing type
// and where the address sits in the user's messages. They are stored in the project
// file as a block of seven records.

#include <optional>
#include <string>
#include <vector>

class ByteReader;

struct ProjectProperties {
    std::string name = "noname";
    std::string netId = "netid";
    // Index into AddressTypeNames(), -1 when none is chosen.
    int addressType = 0;
    int offset = 0;
    int length = 1;
    // 0 source routing, 1 virtual routing.
    int routingType = 0;
    // 0 decimal, 1 hexadecimal.
    int addressFormat = 1;

    static constexpr size_t kNetIdLength = 8;
    static constexpr int kMaxOffset = 16;
    static constexpr int kMaxLength = 4;

    static const std::vector<std::string>& AddressTypeNames();
    bool IsVirtualRouting() const { return routingType >= 1; }
    // The upper limit of the address length that the protocol allows.
    int MaxLengthForAddressType() const;

    // Appends the block to a file's bytes.
    void Write(std::string& out) const;
    // Reads the block; returns false when the file ends inside it (the values read
    // so far are kept).
    bool Read(ByteReader& in);

    bool operator==(const ProjectProperties&) const = default;
};

// A terminal address as hexadecimal text, trimmed, with or without "0x"; none when
// the text is no hexadecimal number.
std::optional<unsigned> ParseHexAddress(const std::string& text);
