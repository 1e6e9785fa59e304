/* qvnmail: sends short plain-text mails through an SMTP server.
 *
 * Build a message with MailInit, then MailTextAddLine once per body line and
 * MailSetReceiver, and send it with MailSend. MailRelease drops the message; it is
 * harmless before the first MailInit. A sent message stays until MailRelease, so a
 * second MailSend sends it again.
 *
 * The server text is "host" or "host:port" (port 25 when none is given; an IPv6 address
 * with a port is written "[address]:port"). STARTTLS is used when the server offers it.
 * The sender is the running program's name at the local host name.
 *
 * A CR or LF inside a line, the receiver or the server text goes out as a blank, so no
 * argument can add a header, a command or a recipient. A receiver that is not one plain
 * address ("name@host" or "<name@host>": no blanks, control characters, commas or
 * further angle brackets) is refused, and MailSend then fails without connecting.
 *
 * MailSend blocks until the server has taken the message or refused it, at most 10 s
 * to connect and 20 s in all. The environment variable QVNMAIL_TIME_LIMIT_MS shortens
 * the overall limit (the connection limit becomes at most half of it); it never
 * lengthens either. It exists for tests against servers that never answer.
 *
 * The functions may be called from any thread; they take turns.
 */
#ifndef QVNMAIL_QVNMAIL_H
#define QVNMAIL_QVNMAIL_H

#include <stdint.h>

#if defined(_WIN32)
#  define QVNMAIL_CALL __stdcall
#  if defined(QVNMAIL_BUILDING)
#    define QVNMAIL_API __declspec(dllexport)
#  else
#    define QVNMAIL_API __declspec(dllimport)
#  endif
#else
#  define QVNMAIL_CALL
#  define QVNMAIL_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Drops the message being built, if any. */
QVNMAIL_API void QVNMAIL_CALL MailRelease(void);

/* Starts an empty message with no receiver, dropping any earlier one. */
QVNMAIL_API void QVNMAIL_CALL MailInit(void);

/* Appends one body line. Ignored when no message has been started. */
QVNMAIL_API void QVNMAIL_CALL MailTextAddLine(const char* line);

/* Sets the single receiver, replacing an earlier one. Ignored when no message has been
 * started. */
QVNMAIL_API void QVNMAIL_CALL MailSetReceiver(const char* receiver);

/* Sends the message through the server. 1 when the server accepted it; 0 when there is
 * no message, no usable receiver or server text, or the server could not be reached in
 * time or refused it. */
QVNMAIL_API int32_t QVNMAIL_CALL MailSend(const char* server);

#ifdef __cplusplus
}
#endif

#endif
