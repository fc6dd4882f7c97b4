// The SChannel stream against a scripted SSPI function table: the paths that
// SChannel takes on Windows and not under Wine (a renegotiation, a message
// after a TLS 1.3 handshake, a server asking for a client certificate).
// The socket below hands out scripted chunks and fails once they are used up,
// where a real server would leave the client waiting for its time-out.
#include "mail/schannel_stream_win32.h"

#include <gtest/gtest.h>

#include <schannel.h>

#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace pell {
namespace {

enum class Call { kInit, kDecrypt };

// One call of the package and what it answers.
struct Step {
    Call call;
    std::string input;  // the bytes it must be given: a token, or a record
    SECURITY_STATUS status;
    std::string output = {};  // a token to send, or a record's data (not longer than it)
    unsigned long extra = 0;  // bytes at the end of the input it leaves (SECBUFFER_EXTRA)
};

struct Script {
    std::deque<Step> steps;
    std::vector<std::string> events;  // what the stream did, in order
};

Script* g_script = nullptr;

// The next step, when it is the expected kind of call.
const Step* Next(Call call, const std::string& event) {
    g_script->events.push_back(event);
    if (g_script->steps.empty() || g_script->steps.front().call != call) {
        g_script->events.push_back("unexpected");
        return nullptr;
    }
    return &g_script->steps.front();
}

SECURITY_STATUS WINAPI ScriptedInit(PCredHandle, PCtxtHandle context, SEC_CHAR*,
                                    unsigned long requests, unsigned long, unsigned long,
                                    PSecBufferDesc input, unsigned long, PCtxtHandle newContext,
                                    PSecBufferDesc output, unsigned long*, PTimeStamp) {
    if (context && !input)
        return SEC_E_OK;  // the close notification
    std::string event = (requests & ISC_REQ_USE_SUPPLIED_CREDS) ? "init+creds" : "init";
    std::string bytes;
    if (input)
        bytes.assign(static_cast<const char*>(input->pBuffers[0].pvBuffer),
                     input->pBuffers[0].cbBuffer);
    if (input)
        event += " " + bytes;
    const Step* step = Next(Call::kInit, event);
    if (!step || (input && bytes != step->input))
        return SEC_E_INTERNAL_ERROR;
    if (newContext)
        newContext->dwLower = newContext->dwUpper = 1;
    if (!step->output.empty()) {
        char* token = new char[step->output.size()];
        std::memcpy(token, step->output.data(), step->output.size());
        output->pBuffers[0].pvBuffer = token;
        output->pBuffers[0].cbBuffer = static_cast<unsigned long>(step->output.size());
    }
    if (input && step->status == SEC_E_INCOMPLETE_MESSAGE)
        input->pBuffers[1] = {1, SECBUFFER_MISSING, nullptr};
    if (input && step->extra)
        input->pBuffers[1] = {step->extra, SECBUFFER_EXTRA, nullptr};
    const SECURITY_STATUS status = step->status;
    g_script->steps.pop_front();
    return status;
}

SECURITY_STATUS WINAPI ScriptedDecrypt(PCtxtHandle, PSecBufferDesc message, unsigned long,
                                       unsigned long*) {
    SecBuffer* buffers = message->pBuffers;
    const std::string record(static_cast<const char*>(buffers[0].pvBuffer), buffers[0].cbBuffer);
    const Step* step = Next(Call::kDecrypt, "decrypt " + record);
    if (!step || record != step->input)
        return SEC_E_INTERNAL_ERROR;
    const SECURITY_STATUS status = step->status;
    if (status != SEC_E_INCOMPLETE_MESSAGE) {
        // Decrypted in place, as SChannel does: the data lies in the record.
        char* start = static_cast<char*>(buffers[0].pvBuffer);
        std::memcpy(start, step->output.data(), step->output.size());
        buffers[0] = {0, SECBUFFER_STREAM_HEADER, start};
        buffers[1] = {static_cast<unsigned long>(step->output.size()), SECBUFFER_DATA, start};
        buffers[2] = {0, SECBUFFER_STREAM_TRAILER, start};
        if (step->extra)
            buffers[3] = {step->extra, SECBUFFER_EXTRA, start + record.size() - step->extra};
    }
    g_script->steps.pop_front();
    return status;
}

SECURITY_STATUS WINAPI ScriptedQuery(PCtxtHandle, unsigned long attribute, void* buffer) {
    if (attribute == SECPKG_ATTR_STREAM_SIZES) {
        *static_cast<SecPkgContext_StreamSizes*>(buffer) = {5, 16, 16384, 4, 16};
        return SEC_E_OK;
    }
    if (attribute == SECPKG_ATTR_CONNECTION_INFO) {
        auto* info = static_cast<SecPkgContext_ConnectionInfo*>(buffer);
        info->dwProtocol = SP_PROT_TLS1_2_CLIENT;
        return SEC_E_OK;
    }
    return SEC_E_UNSUPPORTED_FUNCTION;
}

SECURITY_STATUS WINAPI ScriptedEncrypt(PCtxtHandle, unsigned long, PSecBufferDesc, unsigned long) {
    return SEC_E_OK;
}

SECURITY_STATUS WINAPI ScriptedFree(void* buffer) {
    delete[] static_cast<char*>(buffer);
    return SEC_E_OK;
}

SECURITY_STATUS WINAPI ScriptedDelete(PCtxtHandle) {
    return SEC_E_OK;
}

SECURITY_STATUS WINAPI ScriptedControl(PCtxtHandle, PSecBufferDesc) {
    return SEC_E_OK;
}

SecurityFunctionTableA ScriptedTable() {
    SecurityFunctionTableA table{};
    table.InitializeSecurityContextA = ScriptedInit;
    table.DecryptMessage = ScriptedDecrypt;
    table.EncryptMessage = ScriptedEncrypt;
    table.QueryContextAttributesA = ScriptedQuery;
    table.FreeContextBuffer = ScriptedFree;
    table.DeleteSecurityContext = ScriptedDelete;
    table.ApplyControlToken = ScriptedControl;
    return table;
}

// Hands out the server's chunks one per receive; none left is a failure.
class ScriptedSocket final : public SocketChannel {
  public:
    explicit ScriptedSocket(std::deque<std::string> chunks) : chunks_(std::move(chunks)) {}
    void SetTimeouts(int) override {}
    bool Connect(std::uint32_t, std::uint16_t) override { return true; }
    bool Send(std::string_view data) override {
        g_script->events.push_back("send " + std::string(data));
        return true;
    }
    int Receive(char* buffer, std::size_t size) override {
        if (chunks_.empty()) {
            g_script->events.push_back("recv nothing");
            return -1;
        }
        std::string& chunk = chunks_.front();
        const std::size_t n = std::min(size, chunk.size());
        std::memcpy(buffer, chunk.data(), n);
        g_script->events.push_back("recv " + chunk.substr(0, n));
        chunk.erase(0, n);
        if (chunk.empty())
            chunks_.pop_front();
        return static_cast<int>(n);
    }
    void Cancel() override {}
    void Close() override {}

  private:
    std::deque<std::string> chunks_;
};

// The client hello goes out, the server's answer finishes the handshake. It
// opens with a record header, which the stream looks at first.
const std::string kServerHello =
    "\x16\x03\x03\x01\x02"
    "SH";
const std::vector<std::string> kHandshakeEvents = {"init", "send CH", "recv " + kServerHello,
                                                   "init " + kServerHello};

struct ScriptedRun {
    Script script;
    SecurityFunctionTableA table = ScriptedTable();
    CredHandle credentials{};
    std::shared_ptr<SchannelStream> stream;
    TlsOutcome outcome;

    ScriptedRun(std::deque<std::string> chunks, std::deque<Step> steps) {
        script.steps = std::move(steps);
        g_script = &script;
        stream = std::make_shared<SchannelStream>(
            std::make_shared<ScriptedSocket>(std::move(chunks)), table, &credentials, "pop.test");
    }
    ~ScriptedRun() { g_script = nullptr; }
};

TEST(SchannelStream, HandshakeRoundsGoOnWithTheBytesSChannelAsksFor) {
    const std::string first = kServerHello;
    struct Case {
        const char* name;
        std::deque<std::string> chunks;
        std::deque<Step> steps;
        bool established;
        std::vector<std::string> events;
    };
    const Case cases[] = {
        {"a record cut in two is read on",
         {first.substr(0, 4), first.substr(4)},
         {{Call::kInit, "", SEC_I_CONTINUE_NEEDED, "CH"},
          {Call::kInit, first.substr(0, 4), SEC_E_INCOMPLETE_MESSAGE},
          {Call::kInit, first, SEC_E_OK}},
         true,
         {"init", "send CH", "recv " + first.substr(0, 4), "init " + first.substr(0, 4),
          "recv " + first.substr(4), "init " + first}},
        // A server that asks for a client certificate: the same bytes again,
        // at once, without one.
        {"an optional client certificate",
         {first, "SF"},
         {{Call::kInit, "", SEC_I_CONTINUE_NEEDED, "CH"},
          {Call::kInit, first, SEC_I_INCOMPLETE_CREDENTIALS},
          {Call::kInit, first, SEC_I_CONTINUE_NEEDED, "CF"},
          {Call::kInit, "SF", SEC_E_OK}},
         true,
         {"init", "send CH", "recv " + first, "init " + first, "init+creds " + first, "send CF",
          "recv SF", "init+creds SF"}},
        {"credentials asked for twice",
         {first},
         {{Call::kInit, "", SEC_I_CONTINUE_NEEDED, "CH"},
          {Call::kInit, first, SEC_I_INCOMPLETE_CREDENTIALS},
          {Call::kInit, first, SEC_I_INCOMPLETE_CREDENTIALS}},
         false,
         {"init", "send CH", "recv " + first, "init " + first, "init+creds " + first}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedRun run(c.chunks, c.steps);
        EXPECT_EQ(run.stream->Handshake(run.outcome), c.established);
        EXPECT_EQ(run.script.events, c.events);
        if (c.established) {
            EXPECT_EQ(run.outcome.protocol, "TLSv1.2");
        }
    }
}

TEST(SchannelStream, RecordsRenegotiationAndTheServersCloseReachTheReader) {
    struct Case {
        const char* name;
        std::deque<std::string> chunks;   // after the handshake's
        std::deque<Step> steps;           // after the handshake's
        std::string data;                 // what the reader gets
        bool closed;                      // then the end of the stream
        std::vector<std::string> events;  // after the handshake's
    };
    const Case cases[] = {
        // A session ticket after a TLS 1.3 handshake on Windows: SChannel
        // takes no bytes at once, and the server waits for nothing.
        {"renegotiation without bytes behind the record",
         {"R1", "RECORD2"},
         {{Call::kDecrypt, "R1", SEC_I_RENEGOTIATE},
          {Call::kInit, "", SEC_E_OK},
          {Call::kDecrypt, "RECORD2", SEC_E_OK, "hello"}},
         "hello",
         false,
         {"recv R1", "decrypt R1", "init ", "recv RECORD2", "decrypt RECORD2"}},
        // A TLS 1.2 renegotiation: the bytes behind the record go to
        // SChannel, whose new hello goes out before anything is read.
        {"renegotiation with bytes behind the record",
         {"R1NST", "SH2", "RECORD2"},
         {{Call::kDecrypt, "R1NST", SEC_I_RENEGOTIATE, "", 3},
          {Call::kInit, "NST", SEC_I_CONTINUE_NEEDED, "CH2"},
          {Call::kInit, "SH2", SEC_E_OK},
          {Call::kDecrypt, "RECORD2", SEC_E_OK, "hello"}},
         "hello",
         false,
         {"recv R1NST", "decrypt R1NST", "init NST", "send CH2", "recv SH2", "init SH2",
          "recv RECORD2", "decrypt RECORD2"}},
        {"a record cut in two",
         {"REC", "ORD2"},
         {{Call::kDecrypt, "REC", SEC_E_INCOMPLETE_MESSAGE},
          {Call::kDecrypt, "RECORD2", SEC_E_OK, "hello"}},
         "hello",
         false,
         {"recv REC", "decrypt REC", "recv ORD2", "decrypt RECORD2"}},
        // The server's close notification ends the stream; nothing more is
        // read from the socket.
        {"the context expires",
         {"RC"},
         {{Call::kDecrypt, "RC", SEC_I_CONTEXT_EXPIRED}},
         "",
         true,
         {"recv RC", "decrypt RC"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::deque<std::string> chunks = c.chunks;
        chunks.push_front(kServerHello);
        std::deque<Step> steps = c.steps;
        steps.push_front({Call::kInit, kServerHello, SEC_E_OK});
        steps.push_front({Call::kInit, "", SEC_I_CONTINUE_NEEDED, "CH"});
        ScriptedRun run(chunks, steps);
        ASSERT_TRUE(run.stream->Handshake(run.outcome));
        std::string data;
        char buffer[64];
        while (data.size() < c.data.size()) {
            const int got = run.stream->Receive(buffer, sizeof buffer);
            if (got <= 0)
                break;
            data.append(buffer, static_cast<std::size_t>(got));
        }
        EXPECT_EQ(data, c.data);
        if (c.closed) {
            EXPECT_EQ(run.stream->Receive(buffer, sizeof buffer), 0);
            EXPECT_EQ(run.stream->Receive(buffer, sizeof buffer), 0);
        }
        std::vector<std::string> events = kHandshakeEvents;
        events.insert(events.end(), c.events.begin(), c.events.end());
        EXPECT_EQ(run.script.events, events);
        EXPECT_TRUE(run.script.steps.empty());
    }
}

}  // namespace
}  // namespace pell
