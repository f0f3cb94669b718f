// The print service in trouble: not running, or accepting a connection and never answering.
// Printing must give up within its limits and say which it was, in Chinese.
#include "compute/compute.hpp"
#include "files/record_header.hpp"
#include "platform/print/cups_printer.hpp"
#include "platform/print/pdf_render.hpp"
#include "report/record_form.hpp"
#include "support/form_folder.hpp"
#include "support/scripted_dialogs.hpp"
#include "support/typed_gauging.hpp"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace tarnelo {
namespace {

// A server on the loopback address that accepts every connection and never answers.
class SilentServer {
  public:
    SilentServer() {
        listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&address), length);
        ::listen(listener_, 8);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] {
            while (!stop_) {
                const int client = ::accept(listener_, nullptr, nullptr);
                if (client >= 0) {
                    clients_.push_back(client);
                }
            }
        });
    }
    ~SilentServer() {
        stop_ = true;
        ::shutdown(listener_, SHUT_RDWR);
        ::close(listener_);
        thread_.join();
        for (const int client : clients_) {
            ::close(client);
        }
    }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;
    std::string address() const { return "127.0.0.1:" + std::to_string(port_); }

  private:
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::vector<int> clients_;
    std::thread thread_;
};

class PrintServer : public ::testing::Test {
  protected:
    void TearDown() override { ::unsetenv("CUPS_SERVER"); }
};

TEST_F(PrintServer, ASilentServiceIsGivenUpWithinItsLimits) {
    const SilentServer server;
    ::setenv("CUPS_SERVER", server.address().c_str(), 1);
    const auto started = std::chrono::steady_clock::now();
    const PrinterLookup lookup =
        findDefaultPrinter({std::chrono::milliseconds(500), std::chrono::milliseconds(1000), {}});
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3));
    EXPECT_EQ(lookup.name, "");
    EXPECT_NE(lookup.problem.find("没有响应"), std::string::npos) << lookup.problem;

    const PrintJobResult job =
        printPdfPages("x", "/nonexistent.pdf", 1, 1, "t",
                      {std::chrono::milliseconds(500), std::chrono::milliseconds(1000), {}});
    EXPECT_FALSE(job.ok);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(6));
}

TEST_F(PrintServer, AServiceThatDoesNotRunIsNamed) {
    ::setenv("CUPS_SERVER", "127.0.0.1:1", 1);
    const PrinterLookup lookup = findDefaultPrinter();
    EXPECT_EQ(lookup.name, "");
    EXPECT_NE(lookup.problem.find("没有运行"), std::string::npos) << lookup.problem;
}

TEST_F(PrintServer, ThePrintCommandSaysThatTheServiceDoesNotAnswer) {
    if (!findRenderer()) {
        GTEST_SKIP() << "no LibreOffice to print with";
    }
    testing::FormFolder folder;
    const testing::RecordingContext shown(folder.path());
    testing::ScriptedDialogs user;
    const Gauging gauging = testing::workedExample();
    const Computation computed = compute(gauging);
    const FormSheet form = formSheetOf(gauging, computed, parseRecordHeader(kDefaultRecordHeader));
    const SilentServer server;
    ::setenv("CUPS_SERVER", server.address().c_str(), 1);
    const auto started = std::chrono::steady_clock::now();
    const FormOutcome printed =
        printComputedForm(user, shown.context(), form, computed.findings, {});
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(15));
    EXPECT_EQ(printed.status, FormOutcome::Status::Failed);
    EXPECT_NE(printed.message.find("没有响应"), std::string::npos) << printed.message;
}

} // namespace
} // namespace tarnelo
