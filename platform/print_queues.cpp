#include "platform/print_queues.h"

#include <cups/cups.h>

#include <cstring>

namespace vrtruty::platform {
namespace {

struct IppDeleter {
    void operator()(ipp_t* ipp) const { ippDelete(ipp); }
};
using Ipp = std::unique_ptr<ipp_t, IppDeleter>;

struct HttpDeleter {
    void operator()(http_t* http) const { httpClose(http); }
};
using Http = std::unique_ptr<http_t, HttpDeleter>;

// CUPS_PRINTER_REMOTE of the printer-type bits: a queue of another computer.
constexpr int kRemotePrinterBit = 0x0002;
// A connection that does not answer within this time counts as no printing system.
constexpr int kConnectTimeoutMs = 5000;

const char* const kQueueAttributes[] = {
    "printer-name",          "device-uri",       "printer-make-and-model",
    "printer-type",          "printer-state",    "printer-state-reasons",
    "printer-state-message", "queued-job-count",
};

std::string Text(ipp_t* response, ipp_attribute_t* attribute, int index = 0) {
    (void)response;
    const char* value = ippGetString(attribute, index, nullptr);
    return value != nullptr ? value : "";
}

// Reads one printer's attribute group, starting at `attribute`; returns the first attribute
// after the group.
ipp_attribute_t* ReadQueue(ipp_t* response, ipp_attribute_t* attribute, PrintQueueInfo& queue) {
    for (; attribute != nullptr && ippGetGroupTag(attribute) == IPP_TAG_PRINTER;
         attribute = ippNextAttribute(response)) {
        const char* name = ippGetName(attribute);
        if (name == nullptr) {
            continue;
        }
        if (std::strcmp(name, "printer-name") == 0) {
            queue.name = Text(response, attribute);
        } else if (std::strcmp(name, "device-uri") == 0) {
            queue.deviceUri = Text(response, attribute);
        } else if (std::strcmp(name, "printer-make-and-model") == 0) {
            queue.makeAndModel = Text(response, attribute);
        } else if (std::strcmp(name, "printer-type") == 0) {
            queue.remote = (ippGetInteger(attribute, 0) & kRemotePrinterBit) != 0;
        } else if (std::strcmp(name, "printer-state") == 0) {
            const int state = ippGetInteger(attribute, 0);
            queue.state = state == IPP_PSTATE_STOPPED      ? QueueState::Stopped
                          : state == IPP_PSTATE_PROCESSING ? QueueState::Processing
                                                           : QueueState::Idle;
        } else if (std::strcmp(name, "printer-state-reasons") == 0) {
            for (int i = 0; i < ippGetCount(attribute); ++i) {
                queue.stateReasons.push_back(Text(response, attribute, i));
            }
        } else if (std::strcmp(name, "printer-state-message") == 0) {
            queue.stateMessage = Text(response, attribute);
        } else if (std::strcmp(name, "queued-job-count") == 0) {
            queue.pendingJobs = ippGetInteger(attribute, 0);
        }
    }
    return attribute;
}

std::vector<PrintQueueInfo> ReadQueues(ipp_t* response) {
    std::vector<PrintQueueInfo> queues;
    ipp_attribute_t* attribute = ippFirstAttribute(response);
    while (attribute != nullptr) {
        if (ippGetGroupTag(attribute) != IPP_TAG_PRINTER) {
            attribute = ippNextAttribute(response);
            continue;
        }
        PrintQueueInfo queue;
        attribute = ReadQueue(response, attribute, queue);
        if (!queue.name.empty()) {
            queues.push_back(std::move(queue));
        }
    }
    return queues;
}

class CupsPrintQueues final : public PrintQueues {
  public:
    std::optional<std::vector<PrintQueueInfo>> List() override {
        Ipp request(ippNewRequest(IPP_OP_CUPS_GET_PRINTERS));
        AddUser(request.get());
        ippAddStrings(request.get(), IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                      static_cast<int>(std::size(kQueueAttributes)), nullptr, kQueueAttributes);
        Ipp response = Send(std::move(request), "/");
        // A server without queues answers "not found", which is an empty list, not a failure.
        if (response == nullptr && cupsLastError() != IPP_STATUS_ERROR_NOT_FOUND) {
            return std::nullopt;
        }
        return response != nullptr ? ReadQueues(response.get()) : std::vector<PrintQueueInfo>{};
    }

    std::optional<PrintQueueInfo> Query(const std::string& queue) override {
        Ipp request = PrinterRequest(IPP_OP_GET_PRINTER_ATTRIBUTES, queue);
        ippAddStrings(request.get(), IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                      static_cast<int>(std::size(kQueueAttributes)), nullptr, kQueueAttributes);
        Ipp response = Send(std::move(request), "/");
        if (response == nullptr) {
            return std::nullopt;
        }
        auto queues = ReadQueues(response.get());
        if (queues.empty()) {
            return std::nullopt;
        }
        return std::move(queues.front());
    }

    bool Pause(const std::string& queue, const std::string& message) override {
        Ipp request = PrinterRequest(IPP_OP_PAUSE_PRINTER, queue);
        ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_TEXT, "printer-state-message",
                     nullptr, message.c_str());
        return Send(std::move(request), "/admin/") != nullptr;
    }

    bool Resume(const std::string& queue) override {
        return Send(PrinterRequest(IPP_OP_RESUME_PRINTER, queue), "/admin/") != nullptr;
    }

    RawJobResult SubmitRawJob(const std::string& queue, const std::string& title,
                              std::span<const std::uint8_t> data) override {
        RawJobResult result;
        http_t* http = Connection();
        if (http == nullptr) {
            return result;
        }
        result.jobId = cupsCreateJob(http, queue.c_str(), title.c_str(), 0, nullptr);
        if (result.jobId <= 0) {
            result.jobId = 0;
            return result;
        }
        if (data.empty()) {
            // CUPS refuses a document without data; an empty job is one closed without any.
            result.step = RawJobStep::Ending;
            Ipp close = PrinterRequest(IPP_OP_CLOSE_JOB, queue);
            ippAddInteger(close.get(), IPP_TAG_OPERATION, IPP_TAG_INTEGER, "job-id", result.jobId);
            if (Send(std::move(close), "/jobs/") != nullptr) {
                result.step = RawJobStep::Done;
            }
            return result;
        }
        result.step = RawJobStep::Sending;
        if (cupsStartDocument(http, queue.c_str(), result.jobId, title.c_str(), CUPS_FORMAT_RAW,
                              1) != HTTP_STATUS_CONTINUE) {
            return result;
        }
        if (cupsWriteRequestData(http, reinterpret_cast<const char*>(data.data()), data.size()) !=
            HTTP_STATUS_CONTINUE) {
            cupsFinishDocument(http, queue.c_str());
            return result;
        }
        result.step = RawJobStep::Ending;
        if (cupsFinishDocument(http, queue.c_str()) > IPP_STATUS_OK_CONFLICTING) {
            return result;
        }
        result.step = RawJobStep::Done;
        return result;
    }

    JobProgress Progress(int jobId) override {
        Ipp request = JobRequest(IPP_OP_GET_JOB_ATTRIBUTES, jobId);
        ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes",
                     nullptr, "job-state");
        Ipp response = Send(std::move(request), "/");
        if (response == nullptr) {
            return JobProgress::Unknown;
        }
        ipp_attribute_t* state = ippFindAttribute(response.get(), "job-state", IPP_TAG_ENUM);
        if (state == nullptr) {
            return JobProgress::Unknown;
        }
        switch (ippGetInteger(state, 0)) {
            case IPP_JSTATE_COMPLETED:
                return JobProgress::Finished;
            case IPP_JSTATE_CANCELED:
            case IPP_JSTATE_ABORTED:
                return JobProgress::Stopped;
            default:
                return JobProgress::Waiting;
        }
    }

    bool Cancel(int jobId) override {
        return Send(JobRequest(IPP_OP_CANCEL_JOB, jobId), "/jobs/") != nullptr;
    }

  private:
    http_t* Connection() {
        if (http_ == nullptr) {
            cupsSetServer(nullptr);  // CUPS_SERVER as it is now, not as a previous object saw it
            http_.reset(httpConnect2(cupsServer(), ippPort(), nullptr, AF_UNSPEC, cupsEncryption(),
                                     1, kConnectTimeoutMs, nullptr));
        }
        return http_.get();
    }

    static void AddUser(ipp_t* request) {
        ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_NAME, "requesting-user-name", nullptr,
                     cupsUser());
    }

    static Ipp PrinterRequest(ipp_op_t operation, const std::string& queue) {
        Ipp request(ippNewRequest(operation));
        char uri[HTTP_MAX_URI];
        httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost",
                         ippPort(), "/printers/%s", queue.c_str());
        ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
        AddUser(request.get());
        return request;
    }

    static Ipp JobRequest(ipp_op_t operation, int jobId) {
        Ipp request(ippNewRequest(operation));
        char uri[HTTP_MAX_URI];
        httpAssembleURIf(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost",
                         ippPort(), "/jobs/%d", jobId);
        ippAddString(request.get(), IPP_TAG_OPERATION, IPP_TAG_URI, "job-uri", nullptr, uri);
        AddUser(request.get());
        return request;
    }

    // The response when the request succeeded, else null.
    Ipp Send(Ipp request, const char* resource) {
        http_t* http = Connection();
        if (http == nullptr) {
            return nullptr;
        }
        Ipp response(cupsDoRequest(http, request.release(), resource));
        if (response == nullptr || ippGetStatusCode(response.get()) > IPP_STATUS_OK_CONFLICTING) {
            return nullptr;
        }
        return response;
    }

    Http http_;
};

}  // namespace

std::unique_ptr<PrintQueues> OpenSystemPrintQueues() {
    return std::make_unique<CupsPrintQueues>();
}

}  // namespace vrtruty::platform
