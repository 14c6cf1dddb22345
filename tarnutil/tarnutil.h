/*
 * TarnUtil: one TCP connection per gateway, login, framing of every message and the
 * chunked file exchange, which the library answers by itself inside TarnRecvMsg.
 *
 * Plain C exports, 8-bit text in and out. Every export returns 0 or a positive count for
 * success and a small negative number for a failure; the library prints and shows nothing.
 *
 * Threads: one thread receives per connection (TarnRecvMsg); any thread may send. Sends on one
 * connection are serialised by the handle's send interlock, so frames never interleave, and the
 * chunk answers that TarnRecvMsg writes take the same interlock.
 */
#ifndef TARNUTIL_H
#define TARNUTIL_H

#if defined(_WIN32)
#if defined(TARNUTIL_BUILD)
#define TARN_EXPORT __declspec(dllexport)
#else
#define TARN_EXPORT __declspec(dllimport)
#endif
#else
#define TARN_EXPORT __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Opaque connection handle; allocated by TarnInit, freed by TarnUninit. */
typedef struct TarnHandle TarnHandle;

/* Result of TarnRecvMsg for a delivered message whose payload had no space. */
#define TARN_NO_TEXT 999999

/* Extra failure of the file-request exports: the formatted request text does not fit its buffer. */
#define TARN_ERR_TEXT_TOO_LONG (-10)

/* 0; -1 out of memory (or a null out pointer). */
TARN_EXPORT int TarnInit(TarnHandle** handle);
/* Closes the socket, forgets the transfers the connection offered, removes unfinished download
 * files and frees the handle. Nothing for a null handle. */
TARN_EXPORT void TarnUninit(TarnHandle* handle);
/* 0; -1 null handle; -2 null address; -3 port 0; -4 connection failed (socket field then -1). */
TARN_EXPORT int TarnConnect(TarnHandle* handle, const char* address, int port);
/* Sends code 25 with "3". 0; -1 null handle; -2 frame too long to build; -3 not all bytes written. */
TARN_EXPORT int TarnLogin(TarnHandle* handle);
/* 0; -1 null handle, null target or code 0; -2 too long by the pre-check; -3 frame too long to build;
 * -4 not all bytes written. Codes of 100 or less carry the arguments without the target. */
TARN_EXPORT int TarnSendMsg(TarnHandle* handle, const char* target, unsigned short code,
                            const char* arguments);
/* Waits up to timeoutMs for one message. Returns 0 (nothing, or a chunk message handled inside),
 * the text length of a delivered message, TARN_NO_TEXT for a payload without a space, or
 * -1 bad arguments, -2 wait failed, -3 wait reported no readable socket, -4 read error
 * (including a frame longer than the receive buffer), -5 peer closed, -6/-7/-8 buffers too small.
 * A receiver notices a stop request of its caller at its next timeout at the latest; TarnUninit must not
 * run while another thread is inside TarnRecvMsg on the same handle. */
TARN_EXPORT int TarnRecvMsg(TarnHandle* handle, char* target, unsigned short targetCapacity,
                            unsigned short* code, char* text, int textCapacity, int timeoutMs);

/* 191: "%s" "%s" 0, or "%s" firmware 1 for a null destination. -8 null path; -9 not an existing file. */
TARN_EXPORT int TarnSendFileToGW(TarnHandle* handle, const char* target, const char* localPath,
                                 const char* destination);
/* 195: "%s" "%s" %s 0 %d, or "%s" firmware %s 1 %d for a null destination. -8 null path. */
TARN_EXPORT int TarnSendFileFromGW(TarnHandle* handle, const char* target, const char* path,
                                   const char* destination, const char* tag, int count);
/* 197: "%s" with the tag. -8 null tag. */
TARN_EXPORT int TarnClearUploadFile(TarnHandle* handle, const char* target, const char* tag);
/* 201: "%s" "%s", local path first. -8 null path. */
TARN_EXPORT int TarnDownloadFile(TarnHandle* handle, const char* target, const char* localPath,
                                 const char* agentPath);

/* Socket layer. */
TARN_EXPORT int TCPConnect(const char* address, int port);
TARN_EXPORT int TCPDisconnect(int socket);
TARN_EXPORT int SendMsg(int socket, const char* bytes, int length);
TARN_EXPORT int SendMsg2(int socket, const char* bytes, int length, int retries, int waitMs);
TARN_EXPORT int readn(int socket, void* buffer, int count);
TARN_EXPORT int writen(int socket, const void* bytes, int count);
/* Atomically stores 1 and returns the old value. */
TARN_EXPORT int utTns(volatile int* flag);
/* A listening IPv4 socket on the port (address reuse, keep-alive, backlog 5); -1 on failure. */
TARN_EXPORT int InitTCPServer(int port);
/* Accepts with a 1-second wait: the socket, 0 when nobody came, -1 on failure. */
TARN_EXPORT int AcceptConnect(int listenSocket);
/* The same, and stores the peer's dotted address in peer (capacity at least 16) when given. */
TARN_EXPORT int AcceptConnect2(int listenSocket, char* peer, int peerCapacity);

#ifdef __cplusplus
}
#endif

#endif
