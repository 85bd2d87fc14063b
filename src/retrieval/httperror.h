#pragma once
// The one error type of the HTTP client. Callers turn it into an outcome and
// a status text of their own; Message() is only for the general error report.
#include "util/lumiskerror.h"

#include <string>

namespace lumisk {

enum class THttpFailure {
    Busy,           // a request was made while another one of the same client runs
    Status,         // the server answered with a status outside 2xx (Status() holds it)
    Connect,        // the host or proxy could not be resolved or connected to
    TimedOut,       // no data for longer than the read time-out
    ClosedByServer, // the connection ended before the response was complete
    ClosedByClient, // CloseConnection ended the wait for a response or a body of known length
    TooLarge,       // the body is larger than the client accepts
    Tls,            // the TLS handshake or the certificate check failed
    Transfer,       // any other failure of the transfer (CurlCode() holds it)
};

class EHttpError : public ELumiskError {
  public:
    EHttpError(THttpFailure failure, const std::string& message, int status = 0, int curlCode = 0,
               int osError = 0)
        : ELumiskError(message), failure_(failure), status_(status), curlCode_(curlCode),
          osError_(osError) {}

    THttpFailure Failure() const { return failure_; }
    // The HTTP status of a Status failure, else 0.
    int Status() const { return status_; }
    // libcurl's result code when libcurl reported the failure, else 0.
    int CurlCode() const { return curlCode_; }
    // The system's error number behind a failed connection (ECONNREFUSED...), else 0.
    int OsError() const { return osError_; }

  private:
    THttpFailure failure_;
    int status_;
    int curlCode_;
    int osError_;
};

} // namespace lumisk
