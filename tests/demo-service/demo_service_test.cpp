// The demo search service: reading the word as the tool sends it, the reply the tool reads,
// the pictures it serves (checked by an independent reader, ImageMagick), and the program.
#include <gtest/gtest.h>

#include <httplib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "demo-service/catalogue.hpp"
#include "demo-service/demo_service.hpp"
#include "demo-service/search_reply.hpp"
#include "demo-service/search_word.hpp"
#include "encoding/code_page.hpp"
#include "json/json_doc.hpp"

namespace kessaro::demo {
namespace {

TEST(SearchWordTest, DropsThePercentBeforeTheWordThenDecodes) {
    struct Case {
        const char* target;
        const char* word;
    };
    const Case cases[] = {
        {"/intf/search?content=%%E7%BE%8E%E5%A5%B3&pageno=1&count=10000000000000", "美女"},
        // Decoding the value whole would read "%20" as a space.
        {"/intf/search?content=%2024%E5%A3%81%E7%BA%B8&pageno=1", "2024壁纸"},
        {"/intf/search?content=%a%20b&c&pageno=1", "a b"},
        {"/intf/search?content=%&pageno=1&count=1", ""},
        {"/intf/search?pageno=1&content=%x", "x"},
        {"/intf/search?content=%c++%2B", "c+++"},
        {"/intf/search?content=%%zz%4", "%zz%4"},
        {"/intf/search?content=plain", "plain"},
        {"/intf/search?pageno=1", ""},
        {"/intf/search", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(search_word(c.target), c.word) << c.target;
}

TEST(SearchReplyTest, JsonStringsAreEscapedAndValidUtf8) {
    EXPECT_EQ(json_string("a\"b\\c"), R"("a\"b\\c")");
    EXPECT_EQ(json_string("\x01\n"), R"("\u0001\u000a")");
    EXPECT_EQ(json_string("壁纸"), "\"壁纸\"");
    EXPECT_EQ(json_string("\xE5\xA3 x \xFF"), "\"\xEF\xBF\xBD\xEF\xBF\xBD x \xEF\xBF\xBD\"");
}

// The reply as the tool reads it: converted to 936 and parsed by the tool's own document class.
TEST(SearchReplyTest, ListsTheWordsPicturesAsTheToolReadsThem) {
    for (const char* word : {"美女", "2024壁纸", "sea \"quoted\" \\ word"}) {
        const std::string reply = search_reply(word, "http://127.0.0.1:8642");
        EXPECT_EQ(reply, search_reply(word, "http://127.0.0.1:8642"));  // deterministic
        JsonDoc doc;
        ASSERT_TRUE(doc.parse(utf8_to_ansi(reply))) << reply;
        const uint64_t seed = word_seed(word);
        const int count = picture_count(seed);
        EXPECT_GE(count, 6);
        EXPECT_LE(count, 32);
        ASSERT_EQ(doc.member_count("data.list"), count);
        for (int k = 0; k < count; ++k) {
            const Text element = "data.list[" + std::to_string(k) + "]";
            EXPECT_EQ(cp936_to_utf8(doc.get_text(element + ".tag")),
                      picture_tag(word, seed, k + 1));
            EXPECT_EQ(cp936_to_utf8(doc.get_text(element + ".url")),
                      "http://127.0.0.1:8642" + picture_path(seed, k + 1));
        }
    }
    EXPECT_EQ(search_reply("", "http://h"), R"({"data":{"list":[]}})");
}

std::string identify(const std::string& bytes) {
    char name[] = "/tmp/kessaro-demo-picture-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd < 0)
        return "mkstemp failed";
    ::close(fd);
    std::ofstream(name, std::ios::binary) << bytes;
    const std::string command = std::string("identify -format '%m %w %h %n\\n' ") + name + " 2>&1";
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe))
            out += buffer;
        ::pclose(pipe);
    }
    std::filesystem::remove(name);
    // An animation prints one line per frame; the first is enough.
    return out.substr(0, out.find('\n'));
}

TEST(DemoServiceTest, ServesEveryListedPictureInAMixOfFormats) {
    DemoService service;
    const int port = service.bind(0);
    ASSERT_GT(port, 0);
    service.start();
    httplib::Client client("127.0.0.1", port);
    client.set_read_timeout(10, 0);

    std::set<std::string> formats;
    for (const char* word : {"美女", "2024壁纸", "sunset"}) {
        const uint64_t seed = word_seed(word);
        for (int n = 1; n <= picture_count(seed); ++n) {
            const auto entry = picture_entry(seed, n);
            ASSERT_TRUE(entry);
            const auto response = client.Get(picture_path(seed, n));
            ASSERT_TRUE(response);
            ASSERT_EQ(response->status, 200);
            EXPECT_EQ(response->get_header_value("Content-Type"), content_type_of(entry->format));
            const char* names[] = {"PNG", "JPEG", "BMP3", "GIF"};  // BMP3: a version 3 header
            const std::string name = names[static_cast<int>(entry->format)];
            const std::string frames = entry->format == PictureFormat::gif ? "3" : "1";
            EXPECT_EQ(identify(response->body), name + " " + std::to_string(entry->width) + " " +
                                                    std::to_string(entry->height) + " " + frames)
                << picture_path(seed, n);
            formats.insert(name);
        }
    }
    EXPECT_EQ(formats, (std::set<std::string>{"BMP3", "GIF", "JPEG", "PNG"}));

    const uint64_t seed = word_seed("sunset");
    const std::string last = picture_path(seed, picture_count(seed));
    const std::string wrong_extension = last.substr(0, last.rfind('.')) + ".tif";
    for (const std::string& path :
         {picture_path(seed, 0), picture_path(seed, picture_count(seed) + 1), wrong_extension,
          std::string("/pictures/zz/1.png"), std::string("/elsewhere")}) {
        const auto response = client.Get(path);
        ASSERT_TRUE(response);
        EXPECT_EQ(response->status, 404) << path;
    }
}

TEST(DemoServiceTest, RepliesWithAddressesOfTheHostTheToolAsked) {
    DemoService service;
    const int port = service.bind(0);
    ASSERT_GT(port, 0);
    service.start();
    httplib::Client client("127.0.0.1", port);
    const auto response = client.Get("/intf/search?content=%%E7%BE%8E%E5%A5%B3&pageno=1");
    ASSERT_TRUE(response);
    EXPECT_EQ(response->body, search_reply("美女", "http://127.0.0.1:" + std::to_string(port)));
    EXPECT_EQ(response->get_header_value("Content-Type"), "application/json; charset=utf-8");
}

// The program: started on a free port, it prints its address, answers, and ends on SIGTERM.
TEST(DemoServiceProgramTest, ListensWhereItSaysAndStopsOnSigterm) {
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::execl(KESSARO_DEMO_SERVICE_PROGRAM, KESSARO_DEMO_SERVICE_PROGRAM, "--port", "0",
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(out[1]);
    std::string line;
    char c = 0;
    while (line.size() < 200 && ::read(out[0], &c, 1) == 1 && c != '\n')
        line += c;
    ::close(out[0]);
    const std::string prefix = "kessaro-demo-service: listening on http://127.0.0.1:";
    const bool announced = line.starts_with(prefix);
    int status = 0;
    if (announced) {
        httplib::Client client("127.0.0.1", std::stoi(line.substr(prefix.size())));
        const auto response = client.Get("/intf/search?content=%sea");
        EXPECT_TRUE(response && response->status == 200 && response->body.starts_with("{\"data\""));
    }
    ::kill(pid, SIGTERM);
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(announced) << line;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(DemoServiceProgramTest, RefusesABadPort) {
    for (const char* port : {"70000", "-1", "x", ""}) {
        const std::string command =
            std::string(KESSARO_DEMO_SERVICE_PROGRAM) + " --port '" + port + "' >/dev/null 2>&1";
        const int status = std::system(command.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 2) << port;
    }
}

}  // namespace
}  // namespace kessaro::demo
