// libpq, opened on first use (see shared_library.h).
//
// Thread safety: Pq() may be called from any thread.
#pragma once

#include <libpq-fe.h>

namespace vek {

#define VEK_LIBPQ_FUNCTIONS(X)                                                                    \
    X(PQclear) X(PQcmdTuples) X(PQconnectdbParams) X(PQconsumeInput) X(PQfinish) X(PQflush)      \
    X(PQgetResult) X(PQgetlength) X(PQgetvalue) X(PQisBusy) X(PQntuples) X(PQresultErrorField)   \
    X(PQresultStatus) X(PQsendPrepare) X(PQsendQuery) X(PQsendQueryParams) X(PQsendQueryPrepared) \
    X(PQsetNoticeProcessor) X(PQsetnonblocking) X(PQsocket) X(PQstatus) X(PQtransactionStatus)

struct LibPq {
#define VEK_LIBPQ_POINTER(name) decltype(&::name) name;
    VEK_LIBPQ_FUNCTIONS(VEK_LIBPQ_POINTER)
#undef VEK_LIBPQ_POINTER
};

// libpq ("libpq.so.5"); null when it or one of its functions cannot be
// loaded.
const LibPq* Pq();

}  // namespace vek
