#include "MinimalXServer.h"

#include "platform/linux/XcbXkb.h"

#include <QByteArray>
#include <QFile>

#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr std::uint8_t kXkbMajorOpcode = 135;

struct RequestHeader {
    std::uint8_t majorOpcode;
    std::uint8_t minorOpcode;   // or a request's own one-byte field
    std::uint16_t length;       // in 4-byte units, header included
};

// The client runs on this machine, so it speaks in our byte order and XCB's
// own protocol structures can be sent as they are.
template <typename T>
QByteArray bytesOf(const T& value)
{
    return QByteArray(reinterpret_cast<const char*>(&value), sizeof value);
}

// Replies (type 1) and errors (type 0) are at least 32 bytes on the wire; XCB's
// structures leave out the trailing padding.
template <typename T>
QByteArray packet(T value, std::uint8_t responseType, std::uint16_t sequence)
{
    value.response_type = responseType;
    value.sequence = sequence;
    QByteArray bytes = bytesOf(value);
    if (bytes.size() < 32)
        bytes.append(QByteArray(32 - bytes.size(), '\0'));
    return bytes;
}

bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.constData() + written, std::size_t(bytes.size() - written), MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        written += n;
    }
    return true;
}

// One screen, no pixmap formats, no visuals: enough for a client to start.
QByteArray setupReply()
{
    const QByteArray vendor("Kelvaro");   // padded to 8 below
    xcb_setup_t setup{};
    setup.status = 1;
    setup.protocol_major_version = 11;
    setup.resource_id_base = 0x00200000;
    setup.resource_id_mask = 0x001fffff;
    setup.vendor_len = std::uint16_t(vendor.size());
    setup.maximum_request_length = 0xffff;
    setup.roots_len = 1;
    setup.bitmap_format_scanline_unit = 32;
    setup.bitmap_format_scanline_pad = 32;
    setup.min_keycode = 8;
    setup.max_keycode = 255;
    xcb_screen_t screen{};
    screen.root = 0x100;
    screen.width_in_pixels = 640;
    screen.height_in_pixels = 480;
    screen.root_depth = 24;
    const QByteArray rest = vendor + QByteArray(8 - vendor.size(), '\0') + bytesOf(screen);
    setup.length = std::uint16_t((sizeof setup - 8 + std::size_t(rest.size())) / 4);
    return bytesOf(setup) + rest;
}

} // namespace

MinimalXServer::MinimalXServer(Xkeyboard xkeyboard)
    : m_xkeyboard(xkeyboard)
{
    if (claimDisplay())
        m_thread = std::thread([this] { serve(); });
}

MinimalXServer::~MinimalXServer()
{
    m_stopping = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_listener >= 0)
        ::close(m_listener);
    if (!m_lockPath.isEmpty())
        QFile::remove(m_lockPath);
}

// Takes a display number the way X servers do, with a lock file, so a real
// server started meanwhile keeps off it; listens on its abstract socket only.
bool MinimalXServer::claimDisplay()
{
    for (int display = 400; display < 1000; ++display) {
        const QByteArray lockPath = QStringLiteral("/tmp/.X%1-lock").arg(display).toLocal8Bit();
        const int lock = ::open(lockPath.constData(), O_WRONLY | O_CREAT | O_EXCL, 0444);
        if (lock < 0)
            continue;
        const QByteArray pid = QByteArray::number(::getpid()).rightJustified(10, ' ') + '\n';
        const bool written = ::write(lock, pid.constData(), std::size_t(pid.size())) == pid.size();
        ::close(lock);

        const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QStringLiteral("/tmp/.X11-unix/X%1").arg(display).toLocal8Bit();
        std::memcpy(address.sun_path + 1, name.constData(), std::size_t(name.size()));
        const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + 1 + std::size_t(name.size()));
        if (written && listener >= 0 && ::bind(listener, reinterpret_cast<sockaddr*>(&address), length) == 0
            && ::listen(listener, 4) == 0) {
            m_listener = listener;
            m_display = display;
            m_lockPath = QString::fromLocal8Bit(lockPath);
            return true;
        }
        if (listener >= 0)
            ::close(listener);
        ::unlink(lockPath.constData());
    }
    return false;
}

void MinimalXServer::serve()
{
    while (!m_stopping) {
        pollfd waiting{m_listener, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0)
            continue;
        const int client = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0)
            continue;
        serveClient(client);
        ::close(client);
    }
}

bool MinimalXServer::readExactly(int fd, void* buffer, std::size_t size)
{
    auto* bytes = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        if (m_stopping)
            return false;
        pollfd waiting{fd, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0)
            continue;
        const ssize_t n = ::recv(fd, bytes + done, size - done, 0);
        if (n <= 0)
            return false;
        done += std::size_t(n);
    }
    return true;
}

void MinimalXServer::serveClient(int client)
{
    xcb_setup_request_t request{};
    if (!readExactly(client, &request, sizeof request))
        return;
    const auto padded = [](std::size_t size) { return (size + 3) & ~std::size_t(3); };
    QByteArray authorization(qsizetype(padded(request.authorization_protocol_name_len)
                                       + padded(request.authorization_protocol_data_len)),
                             '\0');
    if (!readExactly(client, authorization.data(), std::size_t(authorization.size()))
        || !writeAll(client, setupReply()))
        return;

    for (std::uint16_t sequence = 1;; ++sequence) {
        RequestHeader header{};
        if (!readExactly(client, &header, sizeof header) || header.length == 0)
            return;
        QByteArray body(qsizetype(header.length) * 4 - qsizetype(sizeof header), '\0');
        if (!readExactly(client, body.data(), std::size_t(body.size())))
            return;

        QByteArray reply;
        if (header.majorOpcode == XCB_QUERY_EXTENSION) {
            std::uint16_t nameLength = 0;
            std::memcpy(&nameLength, body.constData(), sizeof nameLength);
            xcb_query_extension_reply_t answer{};
            if (body.mid(4, nameLength) == "XKEYBOARD" && m_xkeyboard != Xkeyboard::Absent) {
                answer.present = 1;
                answer.major_opcode = kXkbMajorOpcode;
                answer.first_event = 85;
                answer.first_error = 137;
            }
            reply = packet(answer, 1, sequence);
        } else if (header.majorOpcode == kXkbMajorOpcode && header.minorOpcode == XCB_XKB_USE_EXTENSION) {
            xcb_xkb_use_extension_reply_t answer{};
            answer.supported = 0;
            answer.serverMajor = 1;
            reply = packet(answer, 1, sequence);
        } else if (header.majorOpcode == XCB_GET_INPUT_FOCUS) {   // XCB's way to sync
            reply = packet(xcb_get_input_focus_reply_t{}, 1, sequence);
        } else {
            xcb_generic_error_t error{};
            error.error_code = XCB_REQUEST;
            error.major_code = header.majorOpcode;
            error.minor_code = header.minorOpcode;
            reply = packet(error, 0, sequence);
        }
        if (!writeAll(client, reply))
            return;
    }
}
