#include "storedfiles.h"

namespace pensim {
namespace {

constexpr std::uint8_t kPen = 2;

Bytes le32(std::uint32_t v)
{
    return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
            static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
}

} // namespace

std::uint32_t referenceCrc32(const Bytes &bytes)
{
    static const auto table = [] {
        std::vector<std::uint32_t> t(256);
        for (std::uint32_t n = 0; n < 256; ++n) {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::uint8_t b : bytes)
        c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

void StoredFiles::answerOn(PenSimulator &simulator)
{
    simulator.setHandler(0x34, [this](const Command &c) { return transfer(c); });
    simulator.setHandler(0x33, [this](const Command &) { return acknowledged(); });
    simulator.setHandler(0x39, [this](const Command &c) { return deleteOrResend(c); });
}

void StoredFiles::setFiles(const std::vector<Bytes> &files)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_files = files;
    m_current.reset();
}

void StoredFiles::setOptions(const Options &options)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_options = options;
}

std::size_t StoredFiles::fileCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_files.size();
}

int StoredFiles::sends() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_sends;
}

Answer StoredFiles::uploadStream(const Bytes &file, const Options &options, bool damaged)
{
    Answer answer;
    answer.push_back({codedReply(kPen, 0x37, {0xBE}), options.beforeData});
    Bytes sent = file;
    if (damaged && !sent.empty())
        sent[sent.size() / 2] ^= 0x01;
    const std::size_t perFrame = options.perFrame ? options.perFrame : 1;
    for (std::size_t at = 0; at < sent.size(); at += perFrame) {
        const std::size_t n = std::min(perFrame, sent.size() - at);
        answer.push_back(
            {replyFrame(3, Bytes(sent.begin() + at, sent.begin() + at + n)), options.gap});
    }
    answer.push_back({codedReply(kPen, 0x37, {0xED}), options.gap});
    std::uint32_t crc = referenceCrc32(file);
    if (options.crc == Crc::Wrong)
        crc ^= 0x80000000u;
    answer.push_back(
        {codedReply(kPen, 0x38, options.crc == Crc::Missing ? Bytes{} : le32(crc)), {}});
    return answer;
}

Answer StoredFiles::transfer(const Command &command)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Bytes args = command.arguments();
    if (m_files.empty() || args.size() != 1)
        return {};
    m_current = args[0] == 1 ? m_files.size() - 1 : 0;
    const Bytes &file = m_files[*m_current];
    const std::int32_t size =
        m_options.announcedSize ? *m_options.announcedSize : static_cast<std::int32_t>(file.size());
    Bytes data = le32(static_cast<std::uint32_t>(size));
    const Bytes second = le32(m_options.second);
    data.insert(data.end(), second.begin(), second.end());
    return now(codedReply(kPen, 0x36, data));
}

Answer StoredFiles::acknowledged()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return sendCurrent();
}

Answer StoredFiles::sendCurrent()
{
    if (!m_current || *m_current >= m_files.size())
        return {};
    const bool damaged = m_options.firstSendDamaged && m_sends == 0;
    ++m_sends;
    return uploadStream(m_files[*m_current], m_options, damaged);
}

Answer StoredFiles::deleteOrResend(const Command &command)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    const Bytes args = command.arguments();
    if (args.size() == 1 && args[0] == 1)
        return m_options.answerResend ? sendCurrent() : Answer{};
    if (m_current && *m_current < m_files.size())
        m_files.erase(m_files.begin() + static_cast<std::ptrdiff_t>(*m_current));
    m_current.reset();
    return now(codedReply(kPen, 0x23, {0}));
}

} // namespace pensim
