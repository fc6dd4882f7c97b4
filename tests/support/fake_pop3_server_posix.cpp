#include "support/fake_pop3_server_posix.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

namespace pell::test {

bool FakeConnection::Send(std::string_view bytes, std::size_t chunk) {
    if (chunk == 0)
        chunk = bytes.size();
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t size = std::min(chunk, bytes.size() - pos);
        ssize_t sent = send(fd_, bytes.data() + pos, size, MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        pos += static_cast<std::size_t>(sent);
    }
    return true;
}

bool FakeConnection::ReadLine(std::string& line) {
    for (;;) {
        std::size_t end = pending_.find("\r\n");
        if (end != std::string::npos) {
            line = pending_.substr(0, end);
            pending_.erase(0, end + 2);
            return true;
        }
        char buffer[4096];
        ssize_t got = recv(fd_, buffer, sizeof buffer, 0);
        if (got <= 0)
            return false;
        pending_.append(buffer, static_cast<std::size_t>(got));
    }
}

void FakeConnection::WaitForClose() {
    char buffer[256];
    while (recv(fd_, buffer, sizeof buffer, 0) > 0) {
    }
}

void FakeConnection::Close() {
    shutdown(fd_, SHUT_RDWR);
}

void FakeConnection::Reset() {
    // A close with a zero linger time sends RST. The number stays open on a
    // fresh socket, so that the server's own close later closes that one.
    linger abort{1, 0};
    setsockopt(fd_, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    int fresh = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fresh >= 0) {
        dup2(fresh, fd_);
        close(fresh);
    }
}

FakePop3Server::FakePop3Server(Script script) : script_(std::move(script)) {
    listenFd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0)
        std::abort();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listenFd_, 8) != 0)
        std::abort();
    socklen_t length = sizeof address;
    getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &length);
    port_ = ntohs(address.sin_port);
    acceptor_ = std::thread([this] { Serve(); });
}

FakePop3Server::~FakePop3Server() {
    stopping_ = true;
    shutdown(listenFd_, SHUT_RDWR);
    acceptor_.join();
    {
        std::lock_guard<std::mutex> guard(lock_);
        for (int fd : openFds_)
            shutdown(fd, SHUT_RDWR);
    }
    for (std::thread& worker : workers_)
        worker.join();
    for (int fd : openFds_)
        close(fd);
    close(listenFd_);
}

void FakePop3Server::Serve() {
    while (!stopping_) {
        int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            return;
        int one = 1;
        setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        ++connections_;
        std::lock_guard<std::mutex> guard(lock_);
        openFds_.push_back(fd);
        workers_.emplace_back([this, fd] {
            FakeConnection connection(fd);
            script_(connection);
            connection.Close();
        });
    }
}

std::vector<std::string> MailboxScript::Commands() const {
    std::lock_guard<std::mutex> guard(*commandsLock);
    return *commands;
}

void MailboxScript::operator()(FakeConnection& c) const {
    auto reply = [&](const std::string& text) { return c.Send(text, chunk); };
    if (!reply(greeting))
        return;
    if (silentAfterGreeting) {
        c.WaitForClose();
        return;
    }
    std::string line;
    while (c.ReadLine(line)) {
        {
            std::lock_guard<std::mutex> guard(*commandsLock);
            commands->push_back(line);
        }
        std::string verb = line.substr(0, line.find(' '));
        std::string rest = line.size() > verb.size() ? line.substr(verb.size() + 1) : "";
        int n = std::atoi(rest.c_str());
        bool exists = n >= 1 && n <= static_cast<int>(messages.size());
        if (verb == "USER") {
            reply("+OK\r\n");
        } else if (verb == "PASS") {
            reply(rest == password ? "+OK logged in\r\n" : passRefusal);
        } else if (verb == "APOP") {
            std::string digest = rest.substr(rest.find(' ') + 1);
            reply(apopDigest.empty() || digest == apopDigest ? "+OK logged in\r\n"
                                                             : "-ERR wrong digest\r\n");
        } else if (verb == "STAT") {
            if (!statOverride.empty()) {
                reply(statOverride);
            } else {
                std::size_t total = 0;
                for (const std::string& m : messages)
                    total += m.size();
                reply("+OK " + std::to_string(messages.size()) + " " + std::to_string(total) +
                      "\r\n");
            }
            if (resetAfterStat) {
                c.Reset();
                return;
            }
        } else if (verb == "LIST") {
            if (!listOverride.empty()) {
                reply(listOverride);
            } else if (!exists) {
                reply("-ERR no such message\r\n");
            } else {
                reply("+OK " + std::to_string(n) + " " + std::to_string(messages[n - 1].size()) +
                      "\r\n");
            }
        } else if (verb == "TOP" || verb == "RETR") {
            if (topError || !exists) {
                reply("-ERR not supported\r\n");
                continue;
            }
            std::string text = "+OK\r\n" + messages[n - 1] + "\r\n.\r\n";
            if (closeInTop) {
                reply(text.substr(0, text.size() / 2));
                return;
            }
            reply(text);
        } else if (verb == "CAPA" && !capabilities.empty()) {
            std::string text = "+OK\r\n";
            for (const std::string& capability : capabilities)
                text += capability + "\r\n";
            reply(text + ".\r\n");
        } else if (verb == "UIDL" && !uidlRefused) {
            std::string text = "+OK\r\n";
            for (std::size_t i = 1; i <= messages.size(); ++i)
                text += std::to_string(i) + " u" + std::to_string(i) + "\r\n";
            reply(text + ".\r\n");
        } else if (verb == "QUIT") {
            reply(quitReply);
            return;
        } else {
            reply("-ERR unknown command\r\n");
        }
    }
}

}  // namespace pell::test
