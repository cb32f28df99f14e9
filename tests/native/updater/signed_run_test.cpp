// A run with trusted keys against a scripted server on 127.0.0.1: what is
// fetched, what is refused, what is installed and when the serial is kept.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "../net/LoopbackServer.h"
#include "Signer.h"
#include "framework/system/CodePage.h"
#include "framework/system/FileSystem.h"
#include "framework/system/StreamsAndLists.h"
#include "updater/Crypto.h"
#include "updater/Md5.h"
#include "updater/UpdateProcess.h"

namespace {

std::string Md5Hex(const std::string& s) {
    MD5Context c;
    MD5Init(c);
    MD5Update(c, s.data(), s.size());
    MD5Final(c);
    return MD5Text(c.digest);
}

std::string Sha256Hex(const std::string& s) {
    auto d = Sha256Of(s.data(), s.size());
    return HexText(d.data(), d.size());
}

const ManifestSigner& Trusted() {
    static ManifestSigner key = ManifestSigner::Generate();
    return key;
}

class SignedRun : public ::testing::Test {
protected:
    void SetUp() override {
        dir =
            std::string(TEST_BINARY_DIR) + "/signed_" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
        ForceDirectories(Utf8ToWide(dir));
        server.Start([this](const std::string& request, int) {
            std::string path = request.substr(request.find(' ') + 1);
            path = path.substr(0, path.find(' '));
            auto it = routes.find(path);
            std::string body = it == routes.end() ? "" : it->second;
            std::string status = it == routes.end() ? "404 Not Found" : "200 OK";
            std::string type = path == "/manifest.txt" && !manifestType.empty()
                                   ? "Content-Type: " + manifestType + "\r\n"
                                   : std::string();
            std::string reply = "HTTP/1.1 " + status + "\r\n" + type +
                                "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n";
            if (request.rfind("HEAD", 0) != 0) reply += body;
            return ScriptedReply(reply, false, true);
        });
    }
    void TearDown() override { server.Stop(); }

    std::unique_ptr<UpdateProcess> NewRun(int64_t now = 1000) {
        auto run = std::make_unique<UpdateProcess>(Utf8ToWide(server.Url("/manifest.txt")), nullptr, nullptr);
        run->SetAppPath(Utf8ToWide(dir));
        run->SetTrust(std::make_unique<ManifestTrust>(std::vector<P256PublicKey>{Trusted().PublicKey()}));
        run->Trust()->SetNow(now);
        return run;
    }
    // A line for a file served at /files/<name>, with the digests and size of content.
    std::string Line(const std::string& name, const std::string& md5Of, const std::string& sha256Of) {
        return server.Url("/files/" + name) + " " + name + " " + Md5Hex(md5Of) + " " + Sha256Hex(sha256Of) + " " +
               std::to_string(sha256Of.size()) + "\r\n";
    }
    std::string Read(const std::string& rel) {
        std::wstring p = Utf8ToWide(dir + "/" + rel);
        if (!FileExists(p)) return "<missing>";
        TFileStream f(p, fmOpenRead);
        std::string s(static_cast<size_t>(f.Size()), '\0');
        f.ReadBuffer(s.data(), static_cast<int64_t>(s.size()));
        return s;
    }
    void Put(const std::string& rel, const std::string& data) {
        TFileStream f(Utf8ToWide(dir + "/" + rel), fmCreate);
        f.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
    }

    std::string dir;
    LoopbackServer server;
    std::map<std::string, std::string> routes;
    std::string manifestType;
};

}  // namespace

TEST_F(SignedRun, SignedReleaseInstallsAndKeepsItsSerial) {
    routes["/files/a.dll"] = "new a";
    routes["/manifest.txt"] = SignManifestText(Line("a.dll", "new a", "new a"), 700, 5000, Trusted());
    Put("a.dll", "old a");
    auto run = NewRun();
    ASSERT_EQ(run->CheckUpdate(), 1);
    EXPECT_EQ(run->UpdateList()[0].sha256, Utf8ToWide(Sha256Hex("new a")));
    EXPECT_EQ(run->UpdateList()[0].signedSize, 5);
    EXPECT_EQ(ReadAcceptedSerial(Utf8ToWide(dir)), 0u) << "nothing is kept before the install";
    EXPECT_TRUE(run->DoUpdate());
    EXPECT_EQ(Read("a.dll"), "new a");
    EXPECT_EQ(ReadAcceptedSerial(Utf8ToWide(dir)), 700u);
    // Current now: nothing to do, and the serial stays.
    EXPECT_EQ(NewRun()->CheckUpdate(), 0);
    EXPECT_EQ(ReadAcceptedSerial(Utf8ToWide(dir)), 700u);
}

TEST_F(SignedRun, RefusedManifestsFetchNothingElse) {
    const std::string body = Line("a.dll", "new a", "new a");
    const std::string good = SignManifestText(body, 700, 5000, Trusted());
    std::string flipped = good;
    flipped[good.find("a.dll") + 1] ^= 0x01;
    struct Case {
        const char* name;
        std::string manifest;
        int64_t now;
        uint64_t stored;
        ManifestRefusal refusal;
    } cases[] = {
        {"flipped byte", flipped, 1000, 0, ManifestRefusal::BadSignature},
        {"unsigned", "#serial 700\r\n" + body, 1000, 0, ManifestRefusal::Unsigned},
        {"no expiry", SignManifestText(body, 700, std::nullopt, Trusted()), 1000, 0, ManifestRefusal::NoExpires},
        {"another key", SignManifestText(body, 700, 5000, ManifestSigner::Generate()), 1000, 0,
         ManifestRefusal::BadSignature},
        {"expired", good, 5000, 0, ManifestRefusal::Expired},
        {"older serial", good, 1000, 701, ManifestRefusal::OlderSerial},
    };
    for (const auto& c : cases) {
        routes["/manifest.txt"] = c.manifest;
        routes["/files/a.dll"] = "new a";
        std::filesystem::remove(dir + "/updater.serial");
        if (c.stored) WriteAcceptedSerial(Utf8ToWide(dir), c.stored);
        size_t before = server.Requests().size();
        auto run = NewRun(c.now);
        EXPECT_EQ(run->CheckUpdate(), -1) << "case: " << c.name;
        EXPECT_EQ(run->Trust()->LastRefusal(), c.refusal) << "case: " << c.name;
        EXPECT_EQ(server.Requests().size(), before + 1) << "case: " << c.name << ": only the manifest is fetched";
        EXPECT_EQ(ReadAcceptedSerial(Utf8ToWide(dir)), c.stored) << "case: " << c.name;
    }
}

TEST_F(SignedRun, Md5MatchWithWrongSha256IsNeverInstalled) {
    routes["/files/a.dll"] = "served";
    // The MD5 is the served file's; the signed SHA-256 is of something else.
    routes["/manifest.txt"] = SignManifestText(Line("a.dll", "served", "published"), 9, 5000, Trusted());
    Put("a.dll", "old a");
    auto run = NewRun();
    ASSERT_EQ(run->CheckUpdate(), 1);
    EXPECT_FALSE(run->DoUpdate());
    EXPECT_EQ(Read("a.dll"), "old a");
    EXPECT_EQ(ReadAcceptedSerial(Utf8ToWide(dir)), 0u);
    // A local file with the right MD5 but another SHA-256 is not current either.
    Put("a.dll", "served");
    EXPECT_EQ(NewRun()->CheckUpdate(), 1);
}

TEST_F(SignedRun, EntriesWithoutSha256OrSizeAreLeftOutAndACancelledCheckKeepsNoSerial) {
    routes["/manifest.txt"] =
        SignManifestText(server.Url("/files/b.dll") + " b.dll " + Md5Hex("b") + "\r\n" + server.Url("/files/c.dll") +
                             " c.dll " + Md5Hex("c") + " " + Sha256Hex("c") + "\r\n",
                         33, 5000, Trusted());
    auto run = NewRun();
    EXPECT_EQ(run->CheckUpdate(), 0);
    EXPECT_EQ(ReadAcceptedSerial(Utf8ToWide(dir)), 33u);

    routes["/manifest.txt"] = SignManifestText(Line("a.dll", "x", "x"), 34, 5000, Trusted());
    Put("a.dll", "x");
    auto cancelled = NewRun();
    cancelled->Cancel();
    EXPECT_EQ(cancelled->CheckUpdate(), 0);
    EXPECT_EQ(ReadAcceptedSerial(Utf8ToWide(dir)), 33u);
}

TEST_F(SignedRun, ACharsetFromTheServerDoesNotChangeTheSignedPath) {
    // 数据库\config.dat, served as GBK: still installed at the signed path.
    const std::string path = "\xe6\x95\xb0\xe6\x8d\xae\xe5\xba\x93\\config.dat";
    routes["/files/config.dat"] = "config";
    routes["/manifest.txt"] = SignManifestText(
        server.Url("/files/config.dat") + " " + path + " " + Md5Hex("config") + " " + Sha256Hex("config") + " 6\r\n",
        40, 5000, Trusted());
    manifestType = "text/plain; charset=gbk";
    auto run = NewRun();
    ASSERT_EQ(run->CheckUpdate(), 1);
    EXPECT_EQ(run->UpdateList()[0].filePath, Utf8ToWide(path));
    EXPECT_TRUE(run->DoUpdate());
    EXPECT_EQ(Read("\xe6\x95\xb0\xe6\x8d\xae\xe5\xba\x93/config.dat"), "config");
}
