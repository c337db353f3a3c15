#include "ManifestParser.h"

#include "StringPool.h"

#include <charconv>
#include <vector>

namespace apk {

namespace {

// Chunk types of the compiled XML (ResourceTypes.h).
constexpr std::uint16_t kXmlChunk = 0x0003;
constexpr std::uint16_t kStringPoolChunk = 0x0001;
constexpr std::uint16_t kResourceMapChunk = 0x0180;
constexpr std::uint16_t kStartElementChunk = 0x0102;
constexpr std::uint16_t kEndElementChunk = 0x0103;

// Res_value data types.
constexpr std::uint8_t kTypeString = 0x03;
constexpr std::uint8_t kTypeIntDec = 0x10;
constexpr std::uint8_t kTypeIntHex = 0x11;

// Attribute ids of the android namespace (android.R.attr).
constexpr std::uint32_t kAttrLabel = 0x01010001;
constexpr std::uint32_t kAttrVersionCode = 0x0101021b;
constexpr std::uint32_t kAttrVersionName = 0x0101021c;

constexpr std::uint32_t kNoIndex = 0xFFFFFFFF;
constexpr std::size_t kChunkHeaderSize = 8;
constexpr std::size_t kNodeHeaderSize = 16;
constexpr std::size_t kElementExtSize = 20;
constexpr std::size_t kAttributeSize = 20;

struct Attribute {
    std::uint32_t name = kNoIndex;
    std::uint8_t type = 0;
    std::uint32_t data = 0;
};

class ManifestReader {
public:
    ManifestParseResult read(Bytes data);

private:
    bool readChunk(Bytes chunk, std::uint16_t type);
    bool readResourceMap(Bytes chunk);
    bool readStartElement(Bytes chunk);
    std::optional<std::vector<Attribute>> attributesOf(Bytes chunk);
    void takeManifestAttribute(const Attribute& attribute);
    void takeApplicationAttribute(const Attribute& attribute);
    std::uint32_t attributeId(std::uint32_t nameIndex) const;
    bool nameIs(std::uint32_t index, const char* expected) const;
    /// The value as a plain string: a string value, or the raw text of another type.
    std::optional<std::string> plainString(const Attribute& attribute) const;

    StringPool m_pool;
    bool m_havePool = false;
    std::vector<std::uint32_t> m_resourceIds;
    int m_depth = 0;
    bool m_sawRoot = false;
    bool m_done = false;
    std::string m_error;
    ApkManifest m_manifest;
};

ManifestParseResult Failure(std::string why) {
    return {std::nullopt, std::move(why)};
}

ManifestParseResult ManifestReader::read(Bytes data) {
    if (data.size() > kMaxManifestBytes) {
        return Failure("manifest too large");
    }
    const auto type = ReadU16(data, 0);
    const auto headerSize = ReadU16(data, 2);
    const auto size = ReadU32(data, 4);
    if (!type || *type != kXmlChunk || *headerSize < kChunkHeaderSize || *size > data.size() ||
        *headerSize > *size) {
        return Failure("not a compiled XML file");
    }
    const Bytes tree = data.first(*size);
    std::size_t pos = *headerSize;
    while (!m_done && tree.size() - pos >= kChunkHeaderSize) {
        const auto chunkType = *ReadU16(tree, pos);
        const auto chunkHeader = *ReadU16(tree, pos + 2);
        const auto chunkSize = *ReadU32(tree, pos + 4);
        if (chunkHeader < kChunkHeaderSize || chunkSize < chunkHeader ||
            !FitsIn(pos, chunkSize, tree.size())) {
            return Failure("chunk outside the file");
        }
        if (!readChunk(tree.subspan(pos, chunkSize), chunkType)) {
            return Failure(m_error);
        }
        pos += chunkSize;
    }
    if (!m_sawRoot) {
        return Failure("no <manifest> element");
    }
    if (!IsValidPackageName(m_manifest.packageName)) {
        return Failure("no valid package name");
    }
    return {std::move(m_manifest), {}};
}

bool ManifestReader::readChunk(Bytes chunk, std::uint16_t type) {
    switch (type) {
    case kStringPoolChunk:
        if (m_havePool || !m_pool.parse(chunk)) {
            m_error = "bad string pool";
            return false;
        }
        m_havePool = true;
        return true;
    case kResourceMapChunk:
        return readResourceMap(chunk);
    case kStartElementChunk:
        return readStartElement(chunk);
    case kEndElementChunk:
        --m_depth;
        // The end of <manifest>: nothing after it matters.
        m_done = m_depth <= 0;
        return true;
    default:
        // Namespaces, text and chunks of newer tools carry nothing the program reads.
        return true;
    }
}

bool ManifestReader::readResourceMap(Bytes chunk) {
    const std::size_t header = *ReadU16(chunk, 2);
    const std::size_t count = (chunk.size() - header) / 4;
    m_resourceIds.clear();
    m_resourceIds.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        m_resourceIds.push_back(*ReadU32(chunk, header + i * 4));
    }
    return true;
}

bool ManifestReader::readStartElement(Bytes chunk) {
    const int depth = m_depth++;
    if (depth > 1) {
        return true; // only <manifest> and its children are read
    }
    const auto attributes = attributesOf(chunk);
    const auto name = ReadU32(chunk, kNodeHeaderSize + 4);
    if (!m_havePool || !attributes || !name) {
        m_error = "bad element";
        return false;
    }
    if (depth == 0) {
        if (!nameIs(*name, "manifest")) {
            m_error = "the root element is not <manifest>";
            return false;
        }
        m_sawRoot = true;
        for (const Attribute& attribute : *attributes) {
            takeManifestAttribute(attribute);
        }
    } else if (nameIs(*name, "application")) {
        for (const Attribute& attribute : *attributes) {
            takeApplicationAttribute(attribute);
        }
    }
    return true;
}

// ResXMLTree_node (16 bytes), then ResXMLTree_attrExt: ns, name, attributeStart (from the
// extension), attributeSize, attributeCount, three indexes; then the attributes.
std::optional<std::vector<Attribute>> ManifestReader::attributesOf(Bytes chunk) {
    const std::size_t header = *ReadU16(chunk, 2);
    const auto start = ReadU16(chunk, header + 8);
    const auto size = ReadU16(chunk, header + 10);
    const auto count = ReadU16(chunk, header + 12);
    if (header < kNodeHeaderSize || !FitsIn(header, kElementExtSize, chunk.size()) || !start ||
        !size || !count || *size < kAttributeSize ||
        !FitsIn(header + *start, std::uint64_t{*size} * *count, chunk.size())) {
        return std::nullopt;
    }
    std::vector<Attribute> attributes(*count);
    for (std::size_t i = 0; i < *count; ++i) {
        const std::size_t at = header + *start + i * *size;
        attributes[i].name = *ReadU32(chunk, at + 4);
        attributes[i].type = chunk[at + 15];
        attributes[i].data = *ReadU32(chunk, at + 16);
    }
    return attributes;
}

void ManifestReader::takeManifestAttribute(const Attribute& attribute) {
    const std::uint32_t id = attributeId(attribute.name);
    if (id == kAttrVersionCode || (id == 0 && nameIs(attribute.name, "versionCode"))) {
        if (attribute.type == kTypeIntDec || attribute.type == kTypeIntHex) {
            m_manifest.versionCode = attribute.data;
        }
    } else if (id == kAttrVersionName || (id == 0 && nameIs(attribute.name, "versionName"))) {
        m_manifest.versionName = OneLineText(plainString(attribute).value_or(""), kMaxVersionChars);
    } else if (id == 0 && nameIs(attribute.name, "package")) {
        m_manifest.packageName = plainString(attribute).value_or("");
    }
}

void ManifestReader::takeApplicationAttribute(const Attribute& attribute) {
    const std::uint32_t id = attributeId(attribute.name);
    if (id == kAttrLabel || (id == 0 && nameIs(attribute.name, "label"))) {
        // A reference (@string/app_name) names a resource of resources.arsc, which is not read:
        // the row shows the package name instead.
        m_manifest.label = OneLineText(plainString(attribute).value_or(""), kMaxLabelChars);
    }
}

std::uint32_t ManifestReader::attributeId(std::uint32_t nameIndex) const {
    return nameIndex < m_resourceIds.size() ? m_resourceIds[nameIndex] : 0;
}

bool ManifestReader::nameIs(std::uint32_t index, const char* expected) const {
    const auto name = m_pool.at(index);
    return name && *name == expected;
}

std::optional<std::string> ManifestReader::plainString(const Attribute& attribute) const {
    if (attribute.type == kTypeString) {
        return m_pool.at(attribute.data);
    }
    // Only a string value is plain text; references and numbers are not.
    return std::nullopt;
}

} // namespace

ManifestParseResult ParseAndroidManifest(Bytes data) {
    return ManifestReader().read(data);
}

} // namespace apk
