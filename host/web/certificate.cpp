#include "host/web/certificate.h"

#include "host/common/text/files.h"
#include "host/web/security.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <memory>
#include <stdexcept>
#include <utility>

namespace web {

namespace {

constexpr size_t kLargestPem = 64 * 1024;
constexpr long kValidDays = 825;  // the longest a browser takes for a server certificate
constexpr long kRenewDays = 30;   // a browser's exception is better renewed at a restart than lost at a run's end
constexpr size_t kLongestPassphrase = 1024;

template <class T, void (*Free)(T*)>
struct Freer {
    void operator()(T* p) const { Free(p); }
};
using Bio = std::unique_ptr<BIO, Freer<BIO, BIO_free_all>>;
using X509Ptr = std::unique_ptr<X509, Freer<X509, X509_free>>;
using KeyPtr = std::unique_ptr<EVP_PKEY, Freer<EVP_PKEY, EVP_PKEY_free>>;
using ExtensionPtr = std::unique_ptr<X509_EXTENSION, Freer<X509_EXTENSION, X509_EXTENSION_free>>;

[[noreturn]] void Fail(const std::string& what) {
    const unsigned long code = ERR_get_error();
    char reason[256] = "unknown reason";
    if (code != 0) ERR_error_string_n(code, reason, sizeof reason);
    ERR_clear_error();
    throw std::runtime_error(what + ": " + reason);
}

Bio MemoryOf(const std::string& text) {
    Bio bio(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())));
    if (!bio) Fail("out of memory");
    return bio;
}

std::string TextOf(BIO* bio) {
    char* data = nullptr;
    const long size = BIO_get_mem_data(bio, &data);
    return std::string(data, static_cast<size_t>(size));
}

std::string Fingerprint(X509* certificate) {
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (X509_digest(certificate, EVP_sha256(), digest, &size) != 1) Fail("certificate fingerprint");
    std::string text;
    for (unsigned int i = 0; i < size; ++i) {
        if (i > 0) text += ':';
        text += "0123456789ABCDEF"[digest[i] >> 4];
        text += "0123456789ABCDEF"[digest[i] & 15];
    }
    return text;
}

// A key's passphrase, from a file or typed once without echo; none when neither can be had.
struct Passphrase {
    const std::optional<std::filesystem::path>* file;
    std::string text;
    bool asked = false, none = false;

    static int Give(char* out, int size, int, void* self) {
        auto& me = *static_cast<Passphrase*>(self);
        if (!std::exchange(me.asked, true)) me.none = !me.Take();
        if (me.none || me.text.size() > static_cast<size_t>(size)) return -1;
        std::memcpy(out, me.text.data(), me.text.size());
        return static_cast<int>(me.text.size());
    }

    bool Take() {
        if (file->has_value()) {
            text = host::ReadBounded(**file, kLongestPassphrase);
            text.resize(std::min(text.find('\n'), text.size()));
            if (text.ends_with('\r')) text.pop_back();
            return true;
        }
        if (::isatty(STDIN_FILENO) != 1) return false;
        termios shown{};
        const bool quiet = ::tcgetattr(STDIN_FILENO, &shown) == 0;
        termios hidden = shown;
        hidden.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        if (quiet) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &hidden);
        std::fputs("passphrase of the TLS key: ", stderr);
        char c = 0;
        while (text.size() <= kLongestPassphrase && ::read(STDIN_FILENO, &c, 1) == 1 && c != '\n') text += c;
        if (quiet) ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &shown);
        std::fputs("\n", stderr);
        return true;
    }
};

bool Names(X509* certificate, const std::string& address) {
    return X509_check_ip_asc(certificate, address.c_str(), 0) == 1;
}

// Both texts as they would be loaded: the leaf and a key that belongs to it, the key kept
// without its passphrase so that nothing asks for it again.
Certificate Check(std::string certificatePem, std::string keyPem, const std::string& where,
                  const std::optional<std::filesystem::path>& passphraseFile = std::nullopt) {
    Bio certificateBio = MemoryOf(certificatePem), keyBio = MemoryOf(keyPem);
    const X509Ptr leaf(PEM_read_bio_X509(certificateBio.get(), nullptr, nullptr, nullptr));
    if (!leaf) Fail(where + ": no PEM certificate");
    Passphrase passphrase{&passphraseFile};
    const KeyPtr key(PEM_read_bio_PrivateKey(keyBio.get(), nullptr, Passphrase::Give, &passphrase));
    if (!key && passphrase.none) {
        ERR_clear_error();
        throw std::runtime_error(where + ": the key has a passphrase, and there is no terminal to ask it on: give "
                                         "--tls-key-pass-file FILE");
    }
    if (!key) Fail(where + (passphrase.asked ? ": not the key's passphrase, or no PEM private key" : ": no PEM private key"));
    if (X509_check_private_key(leaf.get(), key.get()) != 1) Fail(where + ": the key is not the certificate's");
    if (passphrase.asked) {
        Bio plain(BIO_new(BIO_s_mem()));
        if (!plain || PEM_write_bio_PrivateKey(plain.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1)
            Fail(where + ": the key");
        keyPem = TextOf(plain.get());
    }
    return {std::move(certificatePem), std::move(keyPem), Fingerprint(leaf.get())};
}

std::string MachineName() {
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) != 0 || std::strchr(host, ',') != nullptr) return {};
    return host;
}

std::string TimeText(const ASN1_TIME* time) {
    Bio out(BIO_new(BIO_s_mem()));
    if (!out || ASN1_TIME_print(out.get(), time) != 1) return "an unreadable date";
    return TextOf(out.get());
}

// Why a kept certificate will not do, or nothing.
std::string Unfit(X509* leaf, const std::string& address) {
    if (const ASN1_TIME* begin = X509_get0_notBefore(leaf); X509_cmp_current_time(begin) >= 0)
        return "the kept one is not valid until " + TimeText(begin);
    const ASN1_TIME* end = X509_get0_notAfter(leaf);
    if (X509_cmp_current_time(end) <= 0) return "the kept one expired on " + TimeText(end);
    const time_t soon = std::time(nullptr) + kRenewDays * 24 * 3600;
    if (X509_cmp_time(end, const_cast<time_t*>(&soon)) <= 0)
        return "the kept one expires on " + TimeText(end) + ", within " + std::to_string(kRenewDays) + " days";
    if (address != "0.0.0.0" && address != "::" && !Names(leaf, address)) return "the kept one does not name " + address;
    // On every address, each the machine has now is one a browser may be given.
    if (address == "0.0.0.0" || address == "::")
        for (const std::string& mine : MachineAddresses())
            if (!Names(leaf, mine)) return "the kept one does not name this machine's address " + mine;
    if (const std::string name = MachineName(); !name.empty() && X509_check_host(leaf, name.c_str(), name.size(), 0, nullptr) != 1)
        return "the kept one does not name this machine, " + name;
    return {};
}


Certificate Make(const std::string& address) {
    const KeyPtr key(EVP_EC_gen("P-256"));
    if (!key) Fail("EC P-256 key");
    const X509Ptr certificate(X509_new());
    if (!certificate) Fail("out of memory");
    X509* x = certificate.get();
    unsigned char serial[16];
    if (RAND_bytes(serial, sizeof serial) != 1) Fail("certificate serial");
    serial[0] &= 0x7F;  // positive
    std::unique_ptr<BIGNUM, Freer<BIGNUM, BN_free>> number(BN_bin2bn(serial, sizeof serial, nullptr));
    if (!number || !BN_to_ASN1_INTEGER(number.get(), X509_get_serialNumber(x))) Fail("certificate serial");
    X509_set_version(x, 2);
    X509_gmtime_adj(X509_getm_notBefore(x), -3600);
    X509_gmtime_adj(X509_getm_notAfter(x), kValidDays * 24 * 3600);
    X509_set_pubkey(x, key.get());
    X509_NAME* name = X509_get_subject_name(x);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("qm7140-web"), -1, -1, 0);
    X509_set_issuer_name(x, name);

    std::string names = "DNS:localhost,IP:127.0.0.1,IP:::1";
    if (const std::string host = MachineName(); !host.empty()) names += ",DNS:" + host;
    std::vector<std::string> addresses = MachineAddresses();
    // Any loopback alias too, so that a kept certificate is kept under it.
    if (address != "0.0.0.0" && address != "::" && address != "127.0.0.1" && address != "::1" &&
        std::find(addresses.begin(), addresses.end(), address) == addresses.end())
        addresses.push_back(address);
    for (const std::string& a : addresses) names += ",IP:" + a;
    X509V3_CTX context;
    X509V3_set_ctx_nodb(&context);
    X509V3_set_ctx(&context, x, x, nullptr, nullptr, 0);
    for (const auto& [nid, value] : {std::pair{NID_subject_alt_name, names}, std::pair{NID_basic_constraints, std::string("critical,CA:FALSE")},
                                     std::pair{NID_ext_key_usage, std::string("serverAuth")}}) {
        const ExtensionPtr extension(X509V3_EXT_conf_nid(nullptr, &context, nid, value.c_str()));
        if (!extension || X509_add_ext(x, extension.get(), -1) != 1) Fail("certificate extension " + value);
    }
    if (X509_sign(x, key.get(), EVP_sha256()) == 0) Fail("signing the certificate");

    Bio certificateOut(BIO_new(BIO_s_mem())), keyOut(BIO_new(BIO_s_mem()));
    if (!certificateOut || !keyOut || PEM_write_bio_X509(certificateOut.get(), x) != 1 ||
        PEM_write_bio_PrivateKey(keyOut.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1)
        Fail("writing the certificate");
    return {TextOf(certificateOut.get()), TextOf(keyOut.get()), Fingerprint(x)};
}

}  // namespace

Certificate LoadCertificate(const std::filesystem::path& certificate, const std::filesystem::path& key,
                            const std::optional<std::filesystem::path>& passphraseFile) {
    return Check(host::ReadBounded(certificate, kLargestPem), host::ReadBounded(key, kLargestPem),
                 certificate.string() + " and " + key.string(), passphraseFile);
}

std::filesystem::path StateDirectory() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && state[0] == '/')
        return std::filesystem::path(state) / "qm7140";
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') throw std::runtime_error("no HOME for the certificate: give --tls-cert and --tls-key");
    return std::filesystem::path(home) / ".local/state/qm7140";
}

namespace {

// An open directory, closed with it.
struct Directory {
    int fd = -1;
    ~Directory() {
        if (fd >= 0) ::close(fd);
    }
};

// The state directory as one would trust it with a key: made private if missing, else
// refused unless it is the user's own real directory that no one else may write. The files
// in it are then reached through the descriptor checked, never by the path again.
void TrustFolder(const std::filesystem::path& folder, Directory& opened) {
    struct stat about {};
    if (::lstat(folder.c_str(), &about) != 0) {
        std::error_code error;
        std::filesystem::create_directories(folder.parent_path(), error);
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
            throw std::runtime_error("cannot make " + folder.string() + ": " + std::strerror(errno));
        if (::lstat(folder.c_str(), &about) != 0) throw std::runtime_error("cannot read " + folder.string() + ": " + std::strerror(errno));
    }
    const std::string cure = "; the certificate's key is kept only in a directory of your own that others cannot write (or "
                             "give --tls-cert and --tls-key)";
    // A link only root could have made for another user, as systemd makes a service's state
    // directory under DynamicUser=, leads to the directory checked below; any other is refused.
    const bool rootsLink = S_ISLNK(about.st_mode) && about.st_uid == 0 && ::geteuid() != 0;
    if (S_ISLNK(about.st_mode) && !rootsLink)
        throw std::runtime_error(folder.string() + " is a symbolic link: replace it with a directory (rm " + folder.string() +
                                 "; mkdir -m 700 " + folder.string() + ")" + cure);
    if (!S_ISLNK(about.st_mode) && !S_ISDIR(about.st_mode)) throw std::runtime_error(folder.string() + " is not a directory" + cure);
    opened.fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (rootsLink ? 0 : O_NOFOLLOW));
    if (opened.fd < 0 || ::fstat(opened.fd, &about) != 0)
        throw std::runtime_error("cannot read " + folder.string() + ": " + std::strerror(errno));
    if (!S_ISDIR(about.st_mode)) throw std::runtime_error(folder.string() + " is not a directory" + cure);
    if (about.st_uid != ::geteuid())
        throw std::runtime_error(folder.string() + " belongs to another user (uid " + std::to_string(about.st_uid) + ")" + cure);
    if ((about.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        throw std::runtime_error(folder.string() + " is writable by others: chmod go-w " + folder.string() + cure);
}

// A kept key that others could read is no secret any more: refused, not served.
void TrustKey(const Directory& folder, const std::filesystem::path& key) {
    struct stat about {};
    if (::fstatat(folder.fd, key.filename().c_str(), &about, AT_SYMLINK_NOFOLLOW) != 0) return;
    const std::string cure = ": remove it and web-cert.pem beside it to have a new pair made (or chmod 600 " + key.string() +
                             " if no one else can have read it)";
    if (!S_ISREG(about.st_mode)) throw std::runtime_error(key.string() + " is not a plain file" + cure);
    if (about.st_uid != ::geteuid()) throw std::runtime_error(key.string() + " belongs to another user" + cure);
    if ((about.st_mode & 077) != 0) throw std::runtime_error(key.string() + " may be read by others" + cure);
}

// A kept file's text; none when it is missing. Only a plain file, never followed through a
// link, and never waited on (a FIFO in its place is refused at once).
std::optional<std::string> ReadKept(const Directory& folder, const std::filesystem::path& path) {
    const int fd = ::openat(folder.fd, path.filename().c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT) return std::nullopt;
    if (fd < 0) throw std::runtime_error("cannot read " + path.string() + ": " + std::strerror(errno));
    struct stat about {};
    std::string text;
    bool plain = ::fstat(fd, &about) == 0 && S_ISREG(about.st_mode);
    char chunk[4096];
    for (ssize_t got = 1; plain && got > 0 && text.size() <= kLargestPem;) {
        got = ::read(fd, chunk, sizeof chunk);
        if (got > 0) text.append(chunk, static_cast<size_t>(got));
        if (got < 0 && errno != EINTR) plain = false;
    }
    ::close(fd);
    if (!plain) throw std::runtime_error(path.string() + " is not a plain file that can be read");
    if (text.size() > kLargestPem) throw std::runtime_error(path.string() + " is larger than a certificate or key");
    return text;
}

// Written whole and on the disk before anything is renamed over the kept files.
std::string WriteSynced(const Directory& folder, const std::filesystem::path& path, const std::string& text) {
    const std::string temporary = path.filename().string() + ".new";
    const int fd = ::openat(folder.fd, temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0600);
    bool written = fd >= 0 && ::fchmod(fd, 0600) == 0;
    for (size_t done = 0; written && done < text.size();) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        written = wrote > 0 || (wrote < 0 && errno == EINTR);
        if (wrote > 0) done += static_cast<size_t>(wrote);
    }
    written = written && ::fsync(fd) == 0;
    const int error = errno;
    if (fd >= 0) ::close(fd);
    if (!written) throw std::runtime_error("cannot write " + path.string() + ".new: " + std::strerror(error));
    return temporary;
}

}  // namespace

KeptPair KeptCertificate(const std::filesystem::path& folder, const std::string& address) {
    Directory directory;
    TrustFolder(folder, directory);
    const std::filesystem::path certificateFile = folder / "web-cert.pem", keyFile = folder / "web-key.pem";
    TrustKey(directory, keyFile);
    KeptPair pair;
    std::optional<std::string> certificateText, keyText;
    try {
        certificateText = ReadKept(directory, certificateFile);
        keyText = ReadKept(directory, keyFile);
    } catch (const std::exception& e) {
        pair.why = std::string("the kept pair does not load (") + e.what() + ")";
    }
    if (pair.why.empty() && (!certificateText || !keyText)) {
        pair.why = "none was kept";
    } else if (pair.why.empty()) {
        try {
            Certificate kept = Check(std::move(*certificateText), std::move(*keyText),
                                     certificateFile.string() + " and " + keyFile.string());
            Bio bio = MemoryOf(kept.certificatePem);
            const X509Ptr leaf(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
            pair.why = Unfit(leaf.get(), address);
            if (pair.why.empty()) {
                pair.certificate = std::move(kept);
                return pair;
            }
            pair.oldFingerprint = kept.fingerprint;
        } catch (const std::exception& e) {
            // Half of a pair a crash left behind, or a damaged file: a new pair mends it.
            pair.why = std::string("the kept pair does not load (") + e.what() + ")";
        }
    }
    Certificate made = Make(address);
    pair.certificate = Check(std::move(made.certificatePem), std::move(made.keyPem), "the new certificate");
    return pair;
}

void Keep(const std::filesystem::path& folder, const KeptPair& pair) {
    if (pair.why.empty()) return;
    Directory directory;
    TrustFolder(folder, directory);
    const std::string key = WriteSynced(directory, folder / "web-key.pem", pair.certificate.keyPem);
    const std::string certificate = WriteSynced(directory, folder / "web-cert.pem", pair.certificate.certificatePem);
    for (const auto& [from, to] : {std::pair{key, std::string("web-key.pem")}, std::pair{certificate, std::string("web-cert.pem")}})
        if (::renameat(directory.fd, from.c_str(), directory.fd, to.c_str()) != 0)
            throw std::runtime_error("cannot write " + (folder / to).string() + ": " + std::strerror(errno));
    ::fsync(directory.fd);
}

std::vector<std::string> MachineAddresses() {
    std::vector<std::string> v4, v6;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) return {};
    for (const ifaddrs* i = list; i != nullptr; i = i->ifa_next) {
        if (i->ifa_addr == nullptr) continue;
        char text[INET6_ADDRSTRLEN] = {};
        if (i->ifa_addr->sa_family == AF_INET) {
            const auto* a = reinterpret_cast<const sockaddr_in*>(i->ifa_addr);
            if ((ntohl(a->sin_addr.s_addr) >> 24) == 127 || !::inet_ntop(AF_INET, &a->sin_addr, text, sizeof text)) continue;
            v4.emplace_back(text);
        } else if (i->ifa_addr->sa_family == AF_INET6) {
            const auto* a = reinterpret_cast<const sockaddr_in6*>(i->ifa_addr);
            if (IN6_IS_ADDR_LOOPBACK(&a->sin6_addr) || IN6_IS_ADDR_LINKLOCAL(&a->sin6_addr) ||
                !::inet_ntop(AF_INET6, &a->sin6_addr, text, sizeof text))
                continue;
            v6.emplace_back(text);
        }
    }
    ::freeifaddrs(list);
    v4.insert(v4.end(), v6.begin(), v6.end());
    return v4;
}

}  // namespace web
