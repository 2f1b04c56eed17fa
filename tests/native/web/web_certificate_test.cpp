// The web host's kept certificate over its life (renewed when expired, close to expiry or
// not naming the address; a half-written pair mended), the files it trusts, and a user's key
// with a passphrase.
#include "host/web/certificate.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <openssl/pem.h>
#include <openssl/x509.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

struct Folder {
    Folder() : path(fs::temp_directory_path() / ("qm7140-certificate-" + std::to_string(::getpid()))) {
        fs::remove_all(path);
        fs::create_directories(path);
    }
    ~Folder() { fs::remove_all(path); }
    fs::path path;
};

std::string Read(const fs::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

void Write(const fs::path& path, const std::string& text) {
    std::ofstream(path) << text;
    fs::permissions(path, fs::perms::owner_read | fs::perms::owner_write);
}

// The kept certificate signed again by its key to begin `from` days and end `days` from now.
void EndIn(const fs::path& state, long days, long from = -90) {
    BIO* certificateIn = BIO_new_file((state / "web-cert.pem").c_str(), "r");
    BIO* keyIn = BIO_new_file((state / "web-key.pem").c_str(), "r");
    X509* certificate = PEM_read_bio_X509(certificateIn, nullptr, nullptr, nullptr);
    EVP_PKEY* key = PEM_read_bio_PrivateKey(keyIn, nullptr, nullptr, nullptr);
    ASSERT_TRUE(certificate != nullptr && key != nullptr);
    X509_gmtime_adj(X509_getm_notBefore(certificate), from * 24 * 3600);
    X509_gmtime_adj(X509_getm_notAfter(certificate), days * 24 * 3600);
    ASSERT_NE(X509_sign(certificate, key, EVP_sha256()), 0);
    BIO* out = BIO_new_file((state / "web-cert.pem").c_str(), "w");
    PEM_write_bio_X509(out, certificate);
    for (BIO* bio : {certificateIn, keyIn, out}) BIO_free_all(bio);
    X509_free(certificate);
    EVP_PKEY_free(key);
}

web::KeptPair Start(const fs::path& state, const std::string& address) {
    web::KeptPair pair = web::KeptCertificate(state, address);
    web::Keep(state, pair);
    return pair;
}

TEST(WebCertificate, IsKeptWhileGoodAndMadeAnewWithTheReasonAndTheOldFingerprint) {
    const Folder folder;
    const fs::path state = folder.path / "qm7140";
    const web::KeptPair first = Start(state, "127.0.0.1");
    EXPECT_EQ(first.why, "none was kept");
    EXPECT_EQ(fs::status(state).permissions() & fs::perms::all, fs::perms::owner_all);
    const web::KeptPair again = Start(state, "127.0.0.1");
    EXPECT_EQ(again.why, "");
    EXPECT_EQ(again.certificate.fingerprint, first.certificate.fingerprint);

    // A loopback alias is named in the new one, which is then kept under it and under 127.0.0.1.
    const web::KeptPair alias = Start(state, "127.0.0.5");
    EXPECT_EQ(alias.why, "the kept one does not name 127.0.0.5");
    EXPECT_EQ(alias.oldFingerprint, first.certificate.fingerprint);
    EXPECT_EQ(Start(state, "127.0.0.5").why, "");
    EXPECT_EQ(Start(state, "127.0.0.1").certificate.fingerprint, alias.certificate.fingerprint);

    const struct {
        long days;
        const char* why;
        long from = -90;
    } ends[] = {{-1, "the kept one expired on "}, {10, "the kept one expires on "}, {300, "the kept one is not valid until ", 2}, {31, ""}};
    for (const auto& end : ends) {
        EndIn(state, end.days, end.from);
        const std::string kept = web::LoadCertificate(state / "web-cert.pem", state / "web-key.pem").fingerprint;
        const web::KeptPair renewed = Start(state, "127.0.0.1");
        EXPECT_TRUE(renewed.why.starts_with(end.why)) << end.days << ": " << renewed.why;
        EXPECT_EQ(renewed.oldFingerprint, *end.why ? kept : "") << end.days;
        EXPECT_EQ(renewed.certificate.fingerprint != kept, *end.why != '\0') << end.days;
    }
}

TEST(WebCertificate, AKeyWithoutItsCertificateIsMadeAnewNotRefused) {
    const Folder folder;
    const fs::path state = folder.path / "qm7140";
    Start(state, "127.0.0.1");
    const std::string otherKey = Read(state / "web-key.pem");
    Start(state, "127.0.0.7");
    // What a crash between the two renames leaves: the new key beside the old certificate.
    Write(state / "web-key.pem", otherKey);
    const web::KeptPair mended = Start(state, "127.0.0.1");
    EXPECT_TRUE(mended.why.starts_with("the kept pair does not load (")) << mended.why;
    EXPECT_EQ(web::LoadCertificate(state / "web-cert.pem", state / "web-key.pem").fingerprint, mended.certificate.fingerprint);
}

// Neither waited on nor followed: a FIFO or a link in a kept file's place is mended over.
TEST(WebCertificate, AKeptFileThatIsNoPlainFileIsMadeAnewWithoutWaiting) {
    const Folder folder;
    const fs::path state = folder.path / "qm7140", elsewhere = folder.path / "elsewhere.pem";
    Start(state, "127.0.0.1");
    fs::rename(state / "web-cert.pem", elsewhere);
    ASSERT_EQ(::mkfifo((state / "web-cert.pem").c_str(), 0600), 0);
    EXPECT_TRUE(Start(state, "127.0.0.1").why.starts_with("the kept pair does not load (")) << "a FIFO";
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(state / "web-cert.pem")));
    fs::remove(state / "web-cert.pem");
    fs::create_symlink(elsewhere, state / "web-cert.pem");
    EXPECT_TRUE(Start(state, "127.0.0.1").why.starts_with("the kept pair does not load (")) << "a link";
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(state / "web-cert.pem")));
    EXPECT_FALSE(fs::exists(state / "web-key.pem.new") || fs::exists(state / "web-cert.pem.new"));
}

TEST(WebCertificate, RefusesAStateDirectoryOrKeyOthersCouldTamperWith) {
    const Folder folder;
    const fs::path real = folder.path / "real", link = folder.path / "link", open = folder.path / "open";
    fs::create_directories(real);
    fs::permissions(real, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
    fs::create_directory_symlink(real, link);
    fs::create_directories(open);
    fs::permissions(open, fs::perms::all);
    const auto refusal = [](const fs::path& state) {
        try {
            web::KeptCertificate(state, "127.0.0.1");
        } catch (const std::exception& e) {
            return std::string(e.what());
        }
        return std::string("none");
    };
    EXPECT_TRUE(refusal(link).starts_with(link.string() + " is a symbolic link: ")) << refusal(link);
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec)
        << "the link's target was changed";
    EXPECT_TRUE(refusal(open).starts_with(open.string() + " is writable by others: chmod go-w ")) << refusal(open);
    Write(real / "web-file", "");
    EXPECT_TRUE(refusal(real / "web-file").starts_with((real / "web-file").string() + " is not a directory")) << refusal(real / "web-file");

    const fs::path state = folder.path / "qm7140";
    Start(state, "127.0.0.1");
    fs::permissions(state / "web-key.pem", fs::perms::group_read, fs::perm_options::add);
    EXPECT_TRUE(refusal(state).starts_with((state / "web-key.pem").string() + " may be read by others: ")) << refusal(state);
}

TEST(WebCertificate, AKeyWithAPassphraseIsReadOnceFromItsFileOrRefusedOffATerminal) {
    const Folder folder;
    const fs::path state = folder.path / "qm7140";
    const web::KeptPair pair = Start(state, "127.0.0.1");
    BIO* keyIn = BIO_new_file((state / "web-key.pem").c_str(), "r");
    EVP_PKEY* key = PEM_read_bio_PrivateKey(keyIn, nullptr, nullptr, nullptr);
    const fs::path locked = folder.path / "locked.pem", passphrase = folder.path / "passphrase";
    BIO* out = BIO_new_file(locked.c_str(), "w");
    const std::string secret = "open sesame";
    ASSERT_EQ(PEM_write_bio_PrivateKey(out, key, EVP_aes_256_cbc(), nullptr, 0, nullptr, const_cast<char*>(secret.c_str())), 1);
    BIO_free_all(out);
    BIO_free_all(keyIn);
    EVP_PKEY_free(key);

    Write(passphrase, secret + "\n");
    const web::Certificate opened = web::LoadCertificate(state / "web-cert.pem", locked, passphrase);
    EXPECT_EQ(opened.fingerprint, pair.certificate.fingerprint);
    EXPECT_EQ(opened.keyPem.find("ENCRYPTED"), std::string::npos) << "the server would ask again";

    // Its first line only, as documented.
    Write(passphrase, secret + "\r\nanother line\n");
    EXPECT_EQ(web::LoadCertificate(state / "web-cert.pem", locked, passphrase).fingerprint, pair.certificate.fingerprint);

    Write(passphrase, "wrong\n");
    EXPECT_THROW(web::LoadCertificate(state / "web-cert.pem", locked, passphrase), std::runtime_error);

    // Off a terminal: stdin from /dev/null for the while.
    const int saved = ::dup(STDIN_FILENO), none = ::open("/dev/null", O_RDONLY);
    ::dup2(none, STDIN_FILENO);
    std::string refusal;
    try {
        web::LoadCertificate(state / "web-cert.pem", locked);
    } catch (const std::exception& e) {
        refusal = e.what();
    }
    ::dup2(saved, STDIN_FILENO);
    ::close(saved);
    ::close(none);
    EXPECT_NE(refusal.find("the key has a passphrase, and there is no terminal to ask it on: give --tls-key-pass-file FILE"),
              std::string::npos)
        << refusal;
}

}  // namespace
