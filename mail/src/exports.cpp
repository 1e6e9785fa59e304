// The five C functions. No C++ exception may cross into a C caller: anything thrown
// (only memory exhaustion can be) drops the call, and MailSend reports failure.
#include "qvnmail/qvnmail.h"

#include "mail_session.h"

using qvnmail::theSession;

extern "C" {

QVNMAIL_API void QVNMAIL_CALL MailRelease(void) {
    try {
        theSession().release();
    } catch (...) {
    }
}

QVNMAIL_API void QVNMAIL_CALL MailInit(void) {
    try {
        theSession().init();
    } catch (...) {
    }
}

QVNMAIL_API void QVNMAIL_CALL MailTextAddLine(const char* line) {
    try {
        theSession().addLine(line);
    } catch (...) {
    }
}

QVNMAIL_API void QVNMAIL_CALL MailSetReceiver(const char* receiver) {
    try {
        theSession().setReceiver(receiver);
    } catch (...) {
    }
}

QVNMAIL_API int32_t QVNMAIL_CALL MailSend(const char* server) {
    try {
        return theSession().send(server) ? 1 : 0;
    } catch (...) {
        return 0;
    }
}

}  // extern "C"
