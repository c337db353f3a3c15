#include "ApkBuilder.h"

#include <zlib.h>

#include <map>

namespace testsupport {

namespace {

const std::string kAndroidUri = "http://schemas.android.com/apk/res/android";
constexpr std::uint32_t kNone = 0xFFFFFFFF;

void Put16(std::string& out, std::uint32_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void Put32(std::string& out, std::uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

std::u16string ToUtf16(const std::string& text) {
    std::u16string units;
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        char32_t cp = c;
        std::size_t n = 1;
        if (c >= 0xF0 && i + 3 < text.size()) {
            cp = ((c & 0x07) << 18) | ((text[i + 1] & 0x3F) << 12) | ((text[i + 2] & 0x3F) << 6) |
                 (text[i + 3] & 0x3F);
            n = 4;
        } else if (c >= 0xE0 && i + 2 < text.size()) {
            cp = ((c & 0x0F) << 12) | ((text[i + 1] & 0x3F) << 6) | (text[i + 2] & 0x3F);
            n = 3;
        } else if (c >= 0xC0 && i + 1 < text.size()) {
            cp = ((c & 0x1F) << 6) | (text[i + 1] & 0x3F);
            n = 2;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(cp));
        }
        i += n;
    }
    return units;
}

void PutPoolLength8(std::string& out, std::size_t length) {
    if (length > 0x7F) {
        out.push_back(static_cast<char>(0x80 | (length >> 8)));
    }
    out.push_back(static_cast<char>(length & 0xFF));
}

std::string EncodeString(const std::string& text, bool utf8) {
    std::string out;
    if (utf8) {
        PutPoolLength8(out, ToUtf16(text).size());
        PutPoolLength8(out, text.size());
        out += text;
        out.push_back('\0');
        return out;
    }
    const std::u16string units = ToUtf16(text);
    Put16(out, static_cast<std::uint32_t>(units.size()));
    for (char16_t unit : units) {
        Put16(out, unit);
    }
    Put16(out, 0);
    return out;
}

class XmlCompiler {
public:
    std::string compile(const XmlElement& root, bool utf8) {
        // Attribute names with ids first: the resource map covers the pool's first strings.
        collectAttributeNames(root);
        index("android");
        index(kAndroidUri);
        collectOtherStrings(root);
        std::string body = namespaceChunk(0x0100);
        element(root, body);
        body += namespaceChunk(0x0101);
        std::string pool = stringPool(utf8);
        std::string map = resourceMap();
        std::string out;
        Put16(out, 0x0003);
        Put16(out, 8);
        Put32(out, static_cast<std::uint32_t>(8 + pool.size() + map.size() + body.size()));
        return out + pool + map + body;
    }

private:
    std::uint32_t index(const std::string& text) {
        auto it = m_indexes.find(text);
        if (it != m_indexes.end()) {
            return it->second;
        }
        m_strings.push_back(text);
        const auto at = static_cast<std::uint32_t>(m_strings.size() - 1);
        m_indexes.emplace(text, at);
        return at;
    }

    void collectAttributeNames(const XmlElement& e) {
        // One pool entry per attribute id, also when names repeat (shrinkers blank them all).
        for (const XmlAttribute& a : e.attributes) {
            if (a.resourceId != 0 && !m_attributeIndexes.count(a.resourceId)) {
                m_strings.push_back(a.name);
                m_attributeIndexes.emplace(a.resourceId,
                                           static_cast<std::uint32_t>(m_strings.size() - 1));
                m_ids.push_back(a.resourceId);
            }
        }
        for (const XmlElement& child : e.children) {
            collectAttributeNames(child);
        }
    }

    void collectOtherStrings(const XmlElement& e) {
        index(e.name);
        for (const XmlAttribute& a : e.attributes) {
            if (a.resourceId == 0) {
                index(a.name);
            }
            if (a.kind == XmlAttribute::Kind::String) {
                index(a.text);
            }
        }
        for (const XmlElement& child : e.children) {
            collectOtherStrings(child);
        }
    }

    std::string namespaceChunk(std::uint32_t type) {
        std::string out;
        Put16(out, type);
        Put16(out, 16);
        Put32(out, 24);
        Put32(out, 1);
        Put32(out, kNone);
        Put32(out, index("android"));
        Put32(out, index(kAndroidUri));
        return out;
    }

    void element(const XmlElement& e, std::string& out) {
        Put16(out, 0x0102);
        Put16(out, 16);
        Put32(out, static_cast<std::uint32_t>(16 + 20 + 20 * e.attributes.size()));
        Put32(out, 1);
        Put32(out, kNone);
        Put32(out, kNone);
        Put32(out, index(e.name));
        Put16(out, 20);
        Put16(out, 20);
        Put16(out, static_cast<std::uint32_t>(e.attributes.size()));
        Put16(out, 0);
        Put16(out, 0);
        Put16(out, 0);
        for (const XmlAttribute& a : e.attributes) {
            attribute(a, out);
        }
        for (const XmlElement& child : e.children) {
            element(child, out);
        }
        Put16(out, 0x0103);
        Put16(out, 16);
        Put32(out, 24);
        Put32(out, 1);
        Put32(out, kNone);
        Put32(out, kNone);
        Put32(out, index(e.name));
    }

    void attribute(const XmlAttribute& a, std::string& out) {
        Put32(out, a.android ? index(kAndroidUri) : kNone);
        Put32(out, a.resourceId != 0 ? m_attributeIndexes.at(a.resourceId) : index(a.name));
        const bool text = a.kind == XmlAttribute::Kind::String;
        Put32(out, text ? index(a.text) : kNone);
        Put16(out, 8);
        out.push_back('\0');
        const std::uint8_t type = text ? 0x03 : a.kind == XmlAttribute::Kind::Int ? 0x10 : 0x01;
        out.push_back(static_cast<char>(type));
        Put32(out, text ? index(a.text) : a.value);
    }

    std::string stringPool(bool utf8) const {
        std::string offsets;
        std::string data;
        for (const std::string& s : m_strings) {
            Put32(offsets, static_cast<std::uint32_t>(data.size()));
            data += EncodeString(s, utf8);
        }
        while (data.size() % 4 != 0) {
            data.push_back('\0');
        }
        std::string out;
        Put16(out, 0x0001);
        Put16(out, 28);
        Put32(out, static_cast<std::uint32_t>(28 + offsets.size() + data.size()));
        Put32(out, static_cast<std::uint32_t>(m_strings.size()));
        Put32(out, 0);
        Put32(out, utf8 ? 0x100 : 0);
        Put32(out, static_cast<std::uint32_t>(28 + offsets.size()));
        Put32(out, 0);
        return out + offsets + data;
    }

    std::string resourceMap() const {
        std::string out;
        Put16(out, 0x0180);
        Put16(out, 8);
        Put32(out, static_cast<std::uint32_t>(8 + 4 * m_ids.size()));
        for (std::uint32_t id : m_ids) {
            Put32(out, id);
        }
        return out;
    }

    std::vector<std::string> m_strings;
    std::map<std::string, std::uint32_t> m_indexes;
    std::map<std::uint32_t, std::uint32_t> m_attributeIndexes; // attribute id -> string
    std::vector<std::uint32_t> m_ids;
};

std::string RawDeflate(const std::string& data) {
    z_stream z{};
    if (deflateInit2(&z, 9, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        return {};
    }
    std::string out(deflateBound(&z, data.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    z.avail_in = static_cast<uInt>(data.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

std::uint32_t Crc(const std::string& data) {
    return static_cast<std::uint32_t>(crc32(crc32(0, Z_NULL, 0),
                                            reinterpret_cast<const Bytef*>(data.data()),
                                            static_cast<uInt>(data.size())));
}

} // namespace

std::string CompileXml(const XmlElement& root, bool utf8) {
    return XmlCompiler().compile(root, utf8);
}

XmlElement ManifestElement(const ManifestFields& fields) {
    using Kind = XmlAttribute::Kind;
    XmlElement activity{"activity", {{true, "name", 0x01010003, Kind::String, ".Main", 0}}, {}};
    XmlAttribute label{true, "label", 0x01010001, Kind::String, fields.label, 0};
    if (fields.labelIsReference) {
        label.kind = Kind::Reference;
        label.value = 0x7f0a0001;
    }
    XmlElement application{"application",
                           {{true, "icon", 0x01010002, Kind::Reference, "", 0x7f080001}, label},
                           {activity}};
    XmlElement sdk{"uses-sdk", {{true, "minSdkVersion", 0x0101020c, Kind::Int, "", 21}}, {}};
    return XmlElement{"manifest",
                      {{true, "versionCode", 0x0101021b, Kind::Int, "", fields.versionCode},
                       {true, "versionName", 0x0101021c, Kind::String, fields.versionName, 0},
                       {false, "package", 0, Kind::String, fields.package, 0}},
                      {sdk, application}};
}

std::string BuildZip(const std::vector<std::pair<std::string, std::string>>& entries, bool deflate,
                     const std::string& comment) {
    std::string out;
    std::string directory;
    for (const auto& [name, content] : entries) {
        const std::string data = deflate ? RawDeflate(content) : content;
        const std::uint32_t crc = Crc(content);
        const auto offset = static_cast<std::uint32_t>(out.size());
        Put32(out, 0x04034b50);
        Put16(out, 20);
        Put16(out, 0);
        Put16(out, deflate ? 8 : 0);
        Put32(out, 0);
        Put32(out, crc);
        Put32(out, static_cast<std::uint32_t>(data.size()));
        Put32(out, static_cast<std::uint32_t>(content.size()));
        Put16(out, static_cast<std::uint32_t>(name.size()));
        Put16(out, 0);
        out += name + data;

        Put32(directory, 0x02014b50);
        Put16(directory, 20);
        Put16(directory, 20);
        Put16(directory, 0);
        Put16(directory, deflate ? 8 : 0);
        Put32(directory, 0);
        Put32(directory, crc);
        Put32(directory, static_cast<std::uint32_t>(data.size()));
        Put32(directory, static_cast<std::uint32_t>(content.size()));
        Put16(directory, static_cast<std::uint32_t>(name.size()));
        Put16(directory, 0);
        Put16(directory, 0);
        Put16(directory, 0);
        Put16(directory, 0);
        Put32(directory, 0);
        Put32(directory, offset);
        directory += name;
    }
    const auto directoryOffset = static_cast<std::uint32_t>(out.size());
    out += directory;
    Put32(out, 0x06054b50);
    Put16(out, 0);
    Put16(out, 0);
    Put16(out, static_cast<std::uint32_t>(entries.size()));
    Put16(out, static_cast<std::uint32_t>(entries.size()));
    Put32(out, static_cast<std::uint32_t>(directory.size()));
    Put32(out, directoryOffset);
    Put16(out, static_cast<std::uint32_t>(comment.size()));
    return out + comment;
}

std::string BuildApk(const ManifestFields& fields, bool deflate, bool utf8) {
    return BuildZip(
        {{"AndroidManifest.xml", CompileXml(ManifestElement(fields), utf8)},
         {"classes.dex", std::string("dex\n035\0", 8) + std::string(fields.codeBytes, 'x')},
         {"resources.arsc", std::string(64, '\0')}},
        deflate);
}

} // namespace testsupport
