#include "smtp_sender.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "socket_cutter.h"

namespace qvnmail {

namespace {

constexpr long kConnectLimitMs = 10000;
constexpr long kTotalLimitMs = 20000;
constexpr const char* kLimitVariable = "QVNMAIL_TIME_LIMIT_MS";

// libcurl's global set-up is not safe to race and is never undone: the library stays
// loaded for the life of the process.
bool curlReady() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return ready;
}

struct Upload {
    const std::string& text;
    std::size_t offset = 0;
};

size_t readMessage(char* buffer, size_t size, size_t count, void* userData) {
    auto* upload = static_cast<Upload*>(userData);
    const std::size_t n = std::min(size * count, upload->text.size() - upload->offset);
    std::memcpy(buffer, upload->text.data() + upload->offset, n);
    upload->offset += n;
    return n;
}

curl_socket_t openSocket(void* cutter, curlsocktype, curl_sockaddr* address) {
    const SocketHandle socket =
        static_cast<SocketCutter*>(cutter)->open(address->family, address->socktype, address->protocol);
    return socket == kNoSocket ? CURL_SOCKET_BAD : static_cast<curl_socket_t>(socket);
}

int closeSocket(void* cutter, curl_socket_t socket) {
    return static_cast<SocketCutter*>(cutter)->close(static_cast<SocketHandle>(socket));
}

struct EasyDeleter {
    void operator()(CURL* curl) const { curl_easy_cleanup(curl); }
};

struct ListDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

}  // namespace

TimeLimits timeLimits() {
    TimeLimits limits{kConnectLimitMs, kTotalLimitMs};
    if (const char* text = std::getenv(kLimitVariable)) {
        char* end = nullptr;
        const long wanted = std::strtol(text, &end, 10);
        if (end != text && *end == '\0' && wanted > 0 && wanted < kTotalLimitMs) {
            limits.totalMs = wanted;
            limits.connectMs = std::min(kConnectLimitMs, std::max(1L, wanted / 2));
        }
    }
    return limits;
}

bool sendMessage(const Outgoing& mail, const TimeLimits& limits) {
    if (!curlReady()) return false;
    // One deadline for the whole call. The cutter outlives the handle, whose clean-up
    // closes the connection through it.
    SocketCutter cutter(std::chrono::steady_clock::now() + std::chrono::milliseconds(limits.totalMs));
    std::unique_ptr<CURL, EasyDeleter> curl(curl_easy_init());
    if (!curl) return false;
    const std::string url = smtpUrl(mail.server, mail.ehloName);
    const std::string from = "<" + mail.from + ">";
    std::unique_ptr<curl_slist, ListDeleter> receivers(curl_slist_append(nullptr, ("<" + mail.to + ">").c_str()));
    if (!receivers) return false;
    Upload upload{mail.text};

    CURL* c = curl.get();
    bool ok = curl_easy_setopt(c, CURLOPT_URL, url.c_str()) == CURLE_OK;
    ok = ok && curl_easy_setopt(c, CURLOPT_MAIL_FROM, from.c_str()) == CURLE_OK;
    ok = ok && curl_easy_setopt(c, CURLOPT_MAIL_RCPT, receivers.get()) == CURLE_OK;
    ok = ok && curl_easy_setopt(c, CURLOPT_UPLOAD, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(c, CURLOPT_READFUNCTION, readMessage) == CURLE_OK;
    ok = ok && curl_easy_setopt(c, CURLOPT_READDATA, &upload) == CURLE_OK;
    // Encrypt when the server offers STARTTLS; plain servers on a local network still
    // get their alerts.
    ok = ok && curl_easy_setopt(c, CURLOPT_USE_SSL, long(CURLUSESSL_TRY)) == CURLE_OK;
    ok = ok && curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, limits.connectMs) == CURLE_OK;
    ok = ok && curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, limits.totalMs) == CURLE_OK;
    // libcurl's own limit does not reach every wait for a reply; the cutter's does.
    ok = ok && curl_easy_setopt(c, CURLOPT_OPENSOCKETFUNCTION, openSocket) == CURLE_OK;
    ok = ok && curl_easy_setopt(c, CURLOPT_OPENSOCKETDATA, &cutter) == CURLE_OK;
    ok = ok && curl_easy_setopt(c, CURLOPT_CLOSESOCKETFUNCTION, closeSocket) == CURLE_OK;
    ok = ok && curl_easy_setopt(c, CURLOPT_CLOSESOCKETDATA, &cutter) == CURLE_OK;
    // A name look-up still running at the end is left to finish on its own rather than
    // waited for.
    ok = ok && curl_easy_setopt(c, CURLOPT_QUICK_EXIT, 1L) == CURLE_OK;
    // The caller's thread may be any thread of a GUI program: no alarm signals for
    // name look-ups.
    ok = ok && curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
    if (!ok) return false;
    // libcurl stuffs a leading dot of a body line itself.
    const bool sent = curl_easy_perform(c) == CURLE_OK;
    // The server has taken the message or it has not. QUIT still goes out as the handle
    // closes the connection, but its reply cannot change that and is not waited for.
    cutter.stopReading();
    curl.reset();
    return sent;
}

}  // namespace qvnmail
