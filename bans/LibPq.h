#pragma once
// PostgreSQL's client library, loaded the first time a connection is made rather than with
// the program: it brings some thirty libraries of its own (Kerberos, LDAP, TLS) whose
// loading cost every start of the program about 10 ms, while most runs never connect.

#include <libpq-fe.h>

namespace th {

#define TH_LIBPQ_FUNCTIONS(X) \
    X(PQbackendPID)           \
    X(PQclear)                \
    X(PQconnectdbParams)      \
    X(PQconninfo)             \
    X(PQconninfoFree)         \
    X(PQconsumeInput)         \
    X(PQerrorMessage)         \
    X(PQexec)                 \
    X(PQexecParams)           \
    X(PQfinish)               \
    X(PQfreemem)              \
    X(PQgetisnull)            \
    X(PQgetlength)            \
    X(PQgetvalue)             \
    X(PQnotifies)             \
    X(PQntuples)              \
    X(PQresultErrorField)     \
    X(PQresultStatus)         \
    X(PQsetNoticeProcessor)   \
    X(PQsocket)               \
    X(PQstatus)               \
    X(PQtransactionStatus)    \
    X(PQuser)

// The functions the program calls, each under its own name.
struct LibPq {
#define TH_LIBPQ_POINTER(name) decltype(&::name) name = nullptr;
    TH_LIBPQ_FUNCTIONS(TH_LIBPQ_POINTER)
#undef TH_LIBPQ_POINTER
};

// The library, loaded on the first call; throws th::Error saying why when it cannot be.
const LibPq& libpq();

}  // namespace th
