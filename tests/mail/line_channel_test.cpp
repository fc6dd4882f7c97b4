#include "mail/line_channel.h"

#include <gtest/gtest.h>

#include <deque>

#include "mail/pop_session.h"
#include "mail/tcp_table.h"

namespace pell {
namespace {

// Hands out scripted chunks, one per receive (cut to the size asked for);
// then reports the peer as closed, or as failing.
class ChunkSocket final : public SocketChannel {
  public:
    explicit ChunkSocket(std::deque<std::string> chunks, bool failAtEnd = false)
        : chunks_(std::move(chunks)), failAtEnd_(failAtEnd) {}
    std::vector<std::string> sent;
    int receives = 0;

    void SetTimeouts(int) override {}
    bool Connect(std::uint32_t, std::uint16_t) override { return true; }
    bool Send(std::string_view data) override {
        sent.emplace_back(data);
        return true;
    }
    int Receive(char* buffer, std::size_t size) override {
        ++receives;
        if (chunks_.empty())
            return failAtEnd_ ? -1 : 0;
        std::string& chunk = chunks_.front();
        std::size_t n = std::min(size, chunk.size());
        chunk.copy(buffer, n);
        chunk.erase(0, n);
        if (chunk.empty())
            chunks_.pop_front();
        return static_cast<int>(n);
    }
    void Cancel() override {}
    void Close() override {}

  private:
    std::deque<std::string> chunks_;
    bool failAtEnd_;
};

TEST(LineChannelTest, IsReplyComplete) {
    const std::pair<const char*, bool> cases[] = {
        {"+OK\r\n", true}, {"-ERR x\n", true}, {"+OK", false},
        {"", false},       {"OK\r\n", false},  {" +OK\r\n", false},
    };
    for (const auto& [text, complete] : cases)
        EXPECT_EQ(IsReplyComplete(text), complete) << text;
}

TEST(LineChannelTest, ReceiveStepGathersUpToTheFirstLineEndOr512Bytes) {
    struct Case {
        const char* name;
        std::deque<std::string> chunks;
        std::string reply;
    };
    const Case cases[] = {
        {"one line", {"+OK hi\r\n"}, "+OK hi\r\n"},
        {"line in pieces", {"+O", "K h", "i\r", "\n"}, "+OK hi\r\n"},
        {"greeting and next line together", {"+OK a\r\n+OK b\r\n"}, "+OK a\r\n+OK b\r\n"},
        {"long line fills the area", {std::string(600, 'x')}, std::string(512, 'x')},
        {"peer closes early", {"+OK"}, "+OK"},
    };
    for (const Case& c : cases) {
        ChunkSocket socket(c.chunks);
        LineChannel line(socket);
        std::string reply;
        EXPECT_EQ(line.SendRecvLine(std::nullopt, &reply, 5000), kLineOk) << c.name;
        EXPECT_EQ(reply, c.reply) << c.name;
    }
}

TEST(LineChannelTest, CompletedReplyStaysWithinItsBuffer) {
    struct Case {
        const char* name;
        std::deque<std::string> chunks;
        bool failAtEnd;
        int result;
        std::size_t size;
    };
    const Case cases[] = {
        {"long line", {"+OK " + std::string(100000, 'y') + "\r\n"}, false, kLineOk, 1999},
        {"peer closes before the line end", {"+OK partial"}, false, kLineReceiveFailed, 11},
        {"receive fails", {"+OK partial"}, true, kLineReceiveFailed, 0},
        {"no status sign", {"hello\r\n"}, false, kLineReceiveFailed, 7},
    };
    for (const Case& c : cases) {
        ChunkSocket socket(c.chunks, c.failAtEnd);
        LineChannel line(socket);
        std::string reply;
        EXPECT_EQ(line.CompletedReply("STAT\r\n", reply, 2000), c.result) << c.name;
        EXPECT_EQ(reply.size(), c.size) << c.name;
        EXPECT_LT(socket.receives, 1000) << c.name;
    }
}

TEST(LineChannelTest, MultiLineReadEnds) {
    struct Case {
        const char* name;
        std::deque<std::string> chunks;
        std::size_t limit;
        MultiLineEnd end;
        bool truncated;
    };
    const Case cases[] = {
        {"marker", {"+OK\r\nbody\r\n.\r\n"}, 1000, MultiLineEnd::kMarker, false},
        {"empty message", {"+OK\r\n", ".\r\n"}, 1000, MultiLineEnd::kMarker, false},
        {"marker split", {"+OK\r\nbody\r\n", ".", "\r\n"}, 1000, MultiLineEnd::kMarker, false},
        {"error reply", {"-ERR no TOP\r\n"}, 1000, MultiLineEnd::kErrorReply, false},
        {"peer closes", {"+OK\r\nbody\r\n"}, 1000, MultiLineEnd::kConnectionEnded, false},
        {"over the limit",
         {"+OK\r\n" + std::string(5000, 'z') + "\r\n.\r\n"},
         100,
         MultiLineEnd::kMarker,
         true},
        {"marker split beyond the limit",
         {"+OK\r\n" + std::string(500, 'z') + "\r\n", ".", "\r\n"},
         100,
         MultiLineEnd::kMarker,
         true},
    };
    for (const Case& c : cases) {
        ChunkSocket socket(c.chunks);
        LineChannel line(socket);
        std::string text;
        MultiLineResult result = line.ReadMultiLine(text, 2147483647u, c.limit);
        EXPECT_EQ(result.end, c.end) << c.name;
        EXPECT_EQ(result.truncated, c.truncated) << c.name;
        EXPECT_LE(text.size(), c.limit) << c.name;
    }
}

TEST(LineChannelTest, LinesOfAMegabyteTakeFewReceives) {
    const std::string big(1 << 20, 'x');
    // An overlong greeting is kept up to its buffer and read on to its end;
    // a message with a 1 MB line is kept whole.
    ChunkSocket greeting({"+OK " + big + "\r\n"});
    std::string reply;
    EXPECT_EQ(LineChannel(greeting).CompletedReply(std::nullopt, reply, 5000), kLineOk);
    EXPECT_EQ(reply.size(), 4999u);
    ChunkSocket message({"+OK\r\nSubject: " + big + "\r\n\r\nbody\r\n.\r\n"});
    std::string text;
    EXPECT_EQ(LineChannel(message).ReadMultiLine(text, 0).end, MultiLineEnd::kMarker);
    EXPECT_EQ(text.size(), big.size() + 27);
    for (const ChunkSocket* socket : {&greeting, &message})
        EXPECT_LT(socket->receives, 100);
}

TEST(LineChannelTest, PipelinedRepliesAreReadOneAfterTheOther) {
    const std::string stat = "+OK 2 10\r\n";
    const std::string uidl = "+OK\r\n1 a\r\n2 b\r\n.\r\n";
    const std::string top = "+OK\r\n..dot\r\n\r\n.\r\n";
    const std::string refused = "-ERR no such message\r\n";
    const std::string all = stat + uidl + top + refused + top + "+OK bye\r\n";
    // In one chunk, cut at every offset, and byte by byte.
    std::vector<std::deque<std::string>> splits = {{all}};
    for (std::size_t cut = 1; cut < all.size(); ++cut)
        splits.push_back({all.substr(0, cut), all.substr(cut)});
    splits.emplace_back();
    for (char c : all)
        splits.back().push_back(std::string(1, c));
    for (const std::deque<std::string>& chunks : splits) {
        SCOPED_TRACE(chunks.front().size());
        ChunkSocket socket(chunks);
        LineChannel line(socket);
        std::string text;
        ASSERT_EQ(line.ReadReplyLine(text, 100), kLineOk);
        EXPECT_EQ(text, stat);
        EXPECT_EQ(line.ReadMultiLine(text, 0).end, MultiLineEnd::kMarker);
        EXPECT_EQ(text, uidl);
        EXPECT_EQ(line.ReadMultiLine(text, 0).end, MultiLineEnd::kMarker);
        EXPECT_EQ(text, top);
        EXPECT_EQ(line.ReadMultiLine(text, 0).end, MultiLineEnd::kErrorReply);
        EXPECT_EQ(text, refused);
        EXPECT_EQ(line.ReadMultiLine(text, 0, 8).end, MultiLineEnd::kMarker);
        EXPECT_EQ(text, top.substr(0, 8));
        ASSERT_EQ(line.ReadReplyLine(text, 100), kLineOk);
        EXPECT_EQ(text, "+OK bye\r\n");
        EXPECT_EQ(line.ReadReplyLine(text, 100), kLineReceiveFailed);
    }
    // A line longer than its buffer is read to its end and cut; bytes that
    // came unasked are dropped before the next command.
    ChunkSocket socket(
        {"+OK " + std::string(100000, 'y') + "\r\n+OK next\r\nstray\r\n", "+OK after\r\n"});
    LineChannel line(socket);
    std::string text;
    ASSERT_EQ(line.ReadReplyLine(text, 50), kLineOk);
    EXPECT_EQ(text.size(), 49u);
    ASSERT_EQ(line.ReadReplyLine(text, 50), kLineOk);
    EXPECT_EQ(text, "+OK next\r\n");
    ASSERT_EQ(line.Send("NOOP\r\n"), kLineOk);
    ASSERT_EQ(line.ReadReplyLine(text, 50), kLineOk);
    EXPECT_EQ(text, "+OK after\r\n");
    EXPECT_LT(socket.receives, 20);
    EXPECT_EQ(MultiLineBody(uidl), (std::vector<std::string_view>{"1 a", "2 b"}));
    EXPECT_EQ(MultiLineBody(top), (std::vector<std::string_view>{".dot", ""}));
}

TEST(PopSessionPartsTest, ApopTimestamp) {
    const std::pair<std::string, std::string> cases[] = {
        {"+OK POP3 ready <1896.697170952@dbc.mtview.ca.us>\r\n",
         "<1896.697170952@dbc.mtview.ca.us>"},
        {"+OK no stamp\r\n", ""},
        {"+OK <unclosed\r\n", ""},
        {"+OK > before <a>\r\n", "<a>"},
        {"+OK <" + std::string(126, 'a') + ">\r\n", "<" + std::string(126, 'a') + ">"},
        {"+OK <" + std::string(127, 'a') + ">\r\n", ""},
    };
    for (const auto& [greeting, stamp] : cases)
        EXPECT_EQ(ApopTimestamp(greeting), stamp);
}

TEST(PopSessionPartsTest, NumbersAndPorts) {
    EXPECT_EQ(NumberBehindBlank("+OK 3 120\r\n", 1), 3);
    EXPECT_EQ(NumberBehindBlank("+OK 3 120\r\n", 2), 120);
    EXPECT_EQ(NumberBehindBlank("+OK 3\r\n", 2), std::nullopt);
    EXPECT_EQ(NumberBehindBlank("+OK x y", 1), 0);
    EXPECT_EQ(NumberBehindBlank("+OK 99999999999999 1", 1), 2147483647);
    EXPECT_EQ(PortFromText(""), std::nullopt);
    EXPECT_EQ(PortFromText("110"), 110);
    EXPECT_EQ(PortFromText("995abc"), 995);
    EXPECT_EQ(PortFromText("pop"), 0);
    EXPECT_EQ(PortFromText("65537"), 1);
}

TEST(PopSessionPartsTest, SeenMessages) {
    EXPECT_TRUE(IsSeenMessage("<a@x>,<b@x>,", "<b@x>"));
    EXPECT_FALSE(IsSeenMessage("<a@x>,", "<c@x>"));
    EXPECT_TRUE(IsSeenMessage("<a@x>,", ""));
    EXPECT_FALSE(IsSeenMessage("", ""));
}

TEST(TcpTableTest, OpenConnectionsToTheServer) {
    const std::uint32_t server = 0x0100007F;
    struct Case {
        int state;
        bool counts;
    };
    const Case cases[] = {{kTcpEstablished, true}, {kTcpSynSent, true},  {kTcpCloseWait, true},
                          {kTcpClosing, true},     {kTcpLastAck, false}, {kTcpTimeWait, false},
                          {kTcpDeleteTcb, false}};
    for (const Case& c : cases) {
        std::vector<TcpRow> rows = {{server, 110, c.state}};
        EXPECT_EQ(HasOpenConnection(rows, server, 110), c.counts) << c.state;
        EXPECT_FALSE(HasOpenConnection(rows, server, 111));
        EXPECT_FALSE(HasOpenConnection(rows, 0x0200007F, 110));
    }
}

TEST(TcpTableTest, ParsesProcNetTcp) {
    const char* text =
        "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid\n"
        "   0: 0100007F:006E 00000000:0000 0A 00000000:00000000 00:00000000 00000000 0\n"
        "   1: 0100007F:C350 0100007F:006E 01 00000000:00000000 00:00000000 00000000 0\n"
        "   2: 0100007F:C351 0100007F:006E 06 00000000:00000000 00:00000000 00000000 0\n"
        "   3: garbage\n"
        "   4: 0100007F:C352 XYZ:006E 01\n";
    std::vector<TcpRow> rows = ParseProcNetTcp(text);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].state, kTcpListen);
    EXPECT_EQ(rows[1].remoteAddress, 0x0100007Fu);
    EXPECT_EQ(rows[1].remotePort, 110);
    EXPECT_EQ(rows[1].state, kTcpEstablished);
    EXPECT_EQ(rows[2].state, kTcpTimeWait);
    EXPECT_TRUE(HasOpenConnection(rows, 0x0100007F, 110));
}

}  // namespace
}  // namespace pell
