#include "smtp_sender.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

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
    // The caller's thread may be any thread of a GUI program: no alarm signals for
    // name look-ups.
    ok = ok && curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
    if (!ok) return false;
    // libcurl stuffs a leading dot of a body line itself.
    return curl_easy_perform(c) == CURLE_OK;
}

}  // namespace qvnmail
