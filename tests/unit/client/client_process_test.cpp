// The client process and the askpass channel with a small program standing in for the OpenSSH
// client (client_standin.cpp): what goes in and comes out, how it ends, and what is left after.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "publish/askpass_channel.h"
#include "publish/client_process.h"
#include "publish/sftp_session.h"

#ifdef _WIN32
#include <windows.h>

#include <aclapi.h>
#include <tlhelp32.h>
#else
#include <linux/sockios.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

namespace {

constexpr auto kPatience = std::chrono::seconds(30);

std::string besideUs(const char* name)
{
    const std::filesystem::path us(runningProgramPath());
#ifdef _WIN32
    return (us.parent_path() / (std::string(name) + ".exe")).string();
#else
    return (us.parent_path() / name).string();
#endif
}

std::unique_ptr<ClientProcess> startStandIn(std::vector<std::pair<std::string, std::string>> environment = {})
{
    ClientCommand command;
    command.program = besideUs("client_standin");
    command.environment = std::move(environment);
    std::string error;
    std::unique_ptr<ClientProcess> client = ClientProcess::start(command, error);
    EXPECT_TRUE(client) << error;
    return client;
}

// Every line the program writes until its output ends.
std::vector<std::string> allLines(ClientProcess& client)
{
    std::vector<std::string> lines;
    std::string line;
    while (client.readLine(line)) lines.push_back(line);
    return lines;
}

// What the process holds: open handles (descriptors) and threads.
std::pair<int, int> processHoldings()
{
#ifdef _WIN32
    DWORD handles = 0;
    GetProcessHandleCount(GetCurrentProcess(), &handles);
    int threads = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++threads;
    CloseHandle(snapshot);
    return {static_cast<int>(handles), threads};
#else
    const auto count = [](const char* folder) {
        int n = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++n;
        return n;
    };
    return {count("/proc/self/fd"), count("/proc/self/task")};
#endif
}

class ScriptedPerson final : public IAskpassAnswerer {
public:
    std::optional<std::string> reply;
    std::vector<std::pair<std::string, bool>> asked;

    std::optional<std::string> answer(const std::string& prompt, bool showTyping) override
    {
        asked.emplace_back(prompt, showTyping);
        return reply;
    }
};

TEST(ClientProcess, LinesComeBackInTheOrderWrittenWhateverStreamOrLineEnd)
{
    std::unique_ptr<ClientProcess> client = startStandIn();
    ASSERT_TRUE(client);
    EXPECT_TRUE(client->send("out one\nerr two\ncrlf three\nerr four\nout \ncrlf caf\xC3\xA9 \"x y\"\n"));
    client->closeInput();
    EXPECT_EQ(allLines(*client), (std::vector<std::string>{"one", "two", "three", "four", "", "caf\xC3\xA9 \"x y\""}));
    EXPECT_EQ(client->wait(), 0);
}

TEST(ClientProcess, ExitStatusIsTheProgramsOwn)
{
    for (int status : {3, 255}) {
        std::unique_ptr<ClientProcess> client = startStandIn();
        ASSERT_TRUE(client);
        client->send("err bye\nexit " + std::to_string(status) + "\n");
        EXPECT_EQ(allLines(*client), std::vector<std::string>{"bye"});
        EXPECT_EQ(client->wait(), status);
        // The program has gone: what is sent now is refused, not a crash or a hang.
        client->send("out late\n");
        EXPECT_EQ(client->wait(), status);
    }
}

// The client works through what it was sent while we send more; it waits for us to read what it
// wrote while we wait for it to read: neither may stall the other.
TEST(ClientProcess, MuchInputSentBeforeAnyOutputIsReadDoesNotStall)
{
    std::unique_ptr<ClientProcess> client = startStandIn();
    ASSERT_TRUE(client);
    const std::string line = "out " + std::string(200, 'x') + "\n";
    std::string text;
    for (int i = 0; i < 5000; ++i) text += line;  // a megabyte, and as much output
    auto sent = std::async(std::launch::async, [&] {
        client->send(text);
        client->closeInput();
    });
    if (sent.wait_for(kPatience) != std::future_status::ready) {
        ADD_FAILURE() << "sending stalled while the client's output was not read";
        client->stop();
        return;
    }
    EXPECT_EQ(allLines(*client).size(), 5000u);
    EXPECT_EQ(client->wait(), 0);
}

TEST(ClientProcess, StopEndsAHungClientAndWhatItStartedWhileAnotherThreadReads)
{
    std::unique_ptr<ClientProcess> client = startStandIn();
    ASSERT_TRUE(client);
    client->send("spawn\nout started\nhang\n");
    std::string line;
    ASSERT_TRUE(client->readLine(line));
    EXPECT_EQ(line, "started");
    // A reader waits for output that never comes, as a publish does on a stalled connection; a
    // cancel stops the client from another thread.
    std::promise<std::vector<std::string>> rest;
    std::future<std::vector<std::string>> ended = rest.get_future();
    std::thread reader([&client, &rest] { rest.set_value(allLines(*client)); });
    EXPECT_EQ(ended.wait_for(std::chrono::milliseconds(50)), std::future_status::timeout);
    client->stop();
    if (ended.wait_for(kPatience) != std::future_status::ready) {
        ADD_FAILURE() << "the output never ended";
        // The reader may never return: it keeps the client, and the test goes on without both.
        static std::unique_ptr<ClientProcess> kept;
        kept = std::move(client);
        reader.detach();
        return;
    }
    reader.join();
    EXPECT_TRUE(ended.get().empty());
    EXPECT_NE(client->wait(), 0);
}

#ifdef _WIN32
// Windows asks for a program's environment sorted by name, whatever the case. (Not all of it is
// checked: Wine sets some of its own variables again at the end of every program's.)
TEST(ClientProcess, EnvironmentReachesTheClientSortedByName)
{
    std::unique_ptr<ClientProcess> client =
        startStandIn({{"zz_fotoloom", "1"}, {"Path", "C:\\x"}, {"AA_FOTOLOOM", "2"}, {"Mm_fotoloom", "3"}});
    ASSERT_TRUE(client);
    client->send("env\n");
    client->closeInput();
    std::vector<std::string> ours;
    for (const std::string& entry : allLines(*client)) {
        std::string name = entry.substr(0, entry.find('='));
        std::transform(name.begin(), name.end(), name.begin(), [](char c) { return std::toupper(c); });
        if (name.ends_with("_FOTOLOOM") || name == "PATH") ours.push_back(entry);
    }
    EXPECT_EQ(ours, (std::vector<std::string>{"AA_FOTOLOOM=2", "Mm_fotoloom=3", "Path=C:\\x", "zz_fotoloom=1"}));
}
#endif

// A cancel or a closing Builder.exe ends the session; on a stalled connection the client would
// end only once ssh gives up, minutes later.
TEST(SftpSession, EndsPromptlyWhenTheClientDoesNotEndOnItsOwn)
{
    SftpOptions options;
    options.clientProgram = besideUs("client_standin");
    SftpAddress address;
    address.host = "example.net";
    std::string error;
    auto session = std::make_shared<std::unique_ptr<SftpSession>>(SftpSession::connect(address, options, error));
    ASSERT_TRUE(*session) << error;
    std::vector<std::string> output;
    ASSERT_TRUE((*session)->run({"out listed", "stall"}, output, error)) << error;
    EXPECT_EQ(output, std::vector<std::string>{"listed"});

    auto ended = std::make_shared<std::promise<void>>();
    std::thread([session, ended] {
        session->reset();
        ended->set_value();
    }).detach();
    EXPECT_EQ(ended->get_future().wait_for(kPatience), std::future_status::ready) << "the session never ended";
}

// The client inherits its own pipe ends and nothing else of ours: a handle that another part of
// the program has made inheritable at that moment (another client's output) is not kept open by it.
TEST(ClientProcess, ClientHoldsNoneOfOurOtherHandles)
{
#ifdef _WIN32
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    ASSERT_TRUE(CreatePipe(&read, &write, &inherit, 0));
#else
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);  // not closed on exec
#endif
    std::unique_ptr<ClientProcess> client = startStandIn();
    ASSERT_TRUE(client);
    client->send("out started\n");
    std::string line;
    ASSERT_TRUE(client->readLine(line));
#ifdef _WIN32
    CloseHandle(write);
    DWORD available = 0;
    EXPECT_FALSE(PeekNamedPipe(read, nullptr, 0, nullptr, &available, nullptr)) << "the client keeps it open";
    CloseHandle(read);
#else
    close(ends[1]);
    pollfd ended{ends[0], POLLIN, 0};
    EXPECT_EQ(poll(&ended, 1, 0), 1);
    EXPECT_TRUE(ended.revents & POLLHUP) << "the client keeps it open";
    close(ends[0]);
#endif
    client->closeInput();
    EXPECT_EQ(client->wait(), 0);
}

TEST(ClientProcess, ProgramThatCannotStartSaysWhichAndWhy)
{
    ClientCommand command;
    command.program = besideUs("no_such_client");
    std::string error;
    EXPECT_FALSE(ClientProcess::start(command, error));
    const size_t path = error.find(command.program);
    ASSERT_NE(path, std::string::npos) << error;
    // The system's reason in words, not only its number.
    std::string reason = error.substr(path + command.program.size());
    reason = reason.substr(0, reason.find("(error"));
    EXPECT_GE(
        std::count_if(reason.begin(), reason.end(), [](char c) { return std::isalpha(static_cast<unsigned char>(c)); }),
        5)
        << error;
}

TEST(ClientProcess, AskpassPromptReachesThePersonAndTheAnswerTheClient)
{
    ScriptedPerson person;
    std::string error;
    std::unique_ptr<AskpassChannel> channel = AskpassChannel::open(person, error);
    ASSERT_TRUE(channel) << error;
    std::unique_ptr<ClientProcess> client =
        startStandIn({{"SSH_ASKPASS", runningProgramPath()}, {kAskpassChannelVariable, channel->name()}});
    ASSERT_TRUE(client);

    person.reply = "s3cret p\xC3\xA4ss";
    client->send("askpass me@host's password: \n");
    std::string line;
    ASSERT_TRUE(client->readLine(line));
    EXPECT_EQ(line, "answer: s3cret p\xC3\xA4ss");
    ASSERT_TRUE(client->readLine(line));
    EXPECT_EQ(line, "status: 0");

    person.reply.reset();
    client->send("askpass Are you sure you want to continue connecting (yes/no/[fingerprint])?\n");
    ASSERT_TRUE(client->readLine(line));
    EXPECT_EQ(line, "answer: ");
    ASSERT_TRUE(client->readLine(line));
    EXPECT_EQ(line, "status: 1");
    client->closeInput();
    EXPECT_EQ(client->wait(), 0);

    ASSERT_EQ(person.asked.size(), 2u);
    EXPECT_EQ(person.asked[0], std::make_pair(std::string("me@host's password: "), false));
    EXPECT_TRUE(person.asked[1].second);
}

TEST(AskpassChannel, ClosesPromptlyWhenJustOpenedOrWhileTheOtherEndSaysNothing)
{
    ScriptedPerson person;
    auto closed = std::async(std::launch::async, [&] {
        for (int i = 0; i < 20; ++i) {
            std::string error;
            EXPECT_TRUE(AskpassChannel::open(person, error)) << error;
        }
#ifdef _WIN32
        std::string error;
        std::unique_ptr<AskpassChannel> channel = AskpassChannel::open(person, error);
        ASSERT_TRUE(channel) << error;
        HANDLE silent =
            CreateFileA(channel->name().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        EXPECT_NE(silent, INVALID_HANDLE_VALUE);
        channel.reset();
        if (silent != INVALID_HANDLE_VALUE) CloseHandle(silent);
#else
        std::string error;
        std::unique_ptr<AskpassChannel> channel = AskpassChannel::open(person, error);
        ASSERT_TRUE(channel) << error;
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        channel->name().copy(address.sun_path, sizeof address.sun_path - 1);
        const int silent = socket(AF_UNIX, SOCK_STREAM, 0);
        ASSERT_EQ(connect(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        // A prompt's length, and then nothing: once the channel has taken the length in (nothing
        // of ours is left unread), it waits for the prompt.
        const std::string length = askpassFrame("password: ").substr(0, 4);
        ASSERT_EQ(write(silent, length.data(), length.size()), 4);
        const auto deadline = std::chrono::steady_clock::now() + kPatience;
        int unread = 1;
        while (ioctl(silent, SIOCOUTQ, &unread) == 0 && unread > 0 && std::chrono::steady_clock::now() < deadline)
            std::this_thread::yield();
        EXPECT_EQ(unread, 0) << "the channel never read";
        channel.reset();
        close(silent);
#endif
    });
    ASSERT_EQ(closed.wait_for(kPatience), std::future_status::ready) << "a channel did not close";
    EXPECT_TRUE(person.asked.empty());
}

#ifdef _WIN32
// No other user may open the channel: to read a prompt, or to keep its one instance busy.
TEST(AskpassChannel, LetsInOnlyTheUserItRunsAs)
{
    ScriptedPerson person;
    std::string error;
    std::unique_ptr<AskpassChannel> channel = AskpassChannel::open(person, error);
    ASSERT_TRUE(channel) << error;
    HANDLE pipe = CreateFileA(channel->name().c_str(), GENERIC_READ | GENERIC_WRITE | READ_CONTROL, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    ACL* allowed = nullptr;
    PSECURITY_DESCRIPTOR security = nullptr;
    EXPECT_EQ(GetSecurityInfo(pipe, SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &allowed, nullptr,
                              &security),
              static_cast<DWORD>(ERROR_SUCCESS));
    CloseHandle(pipe);

    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    alignas(TOKEN_USER) char user[512];
    DWORD size = 0;
    ASSERT_TRUE(GetTokenInformation(token, TokenUser, user, sizeof user, &size));
    CloseHandle(token);
    const PSID us = reinterpret_cast<TOKEN_USER*>(user)->User.Sid;

    ASSERT_NE(allowed, nullptr) << "no access list: everyone is let in";
    EXPECT_GT(allowed->AceCount, 0);
    for (DWORD i = 0; i < allowed->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* entry = nullptr;
        ASSERT_TRUE(GetAce(allowed, i, reinterpret_cast<void**>(&entry)));
        EXPECT_EQ(entry->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        EXPECT_TRUE(EqualSid(&entry->SidStart, us)) << "entry " << i << " is for someone else";
    }
    LocalFree(security);
}
#endif

TEST(ClientProcess, NothingIsLeftOpenOrRunningAfterwards)
{
    ScriptedPerson person;
    person.reply = "pw";
    const auto roundTrip = [&] {
        std::string error;
        std::unique_ptr<AskpassChannel> channel = AskpassChannel::open(person, error);
        ASSERT_TRUE(channel) << error;
        std::unique_ptr<ClientProcess> client =
            startStandIn({{"SSH_ASKPASS", runningProgramPath()}, {kAskpassChannelVariable, channel->name()}});
        ASSERT_TRUE(client);
        client->send("askpass p: \nout done\nhang\n");
        std::string line;
        while (client->readLine(line) && line != "done") {
        }
        // Destroyed with the client still running: it is ended and waited for.
    };
    roundTrip();  // whatever the system opens once, on first use
    const std::pair<int, int> before = processHoldings();
    roundTrip();
    roundTrip();
    EXPECT_EQ(processHoldings(), before) << "handles, threads";
    EXPECT_EQ(person.asked.size(), 3u);
}

}  // namespace
