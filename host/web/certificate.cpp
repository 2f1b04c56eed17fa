#include "host/web/certificate.h"

#include "host/common/text/files.h"
#include "host/web/security.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/stat.h>
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
#include <cstring>
#include <memory>
#include <stdexcept>

namespace web {

namespace {

constexpr size_t kLargestPem = 64 * 1024;
constexpr long kValidDays = 825;  // the longest a browser takes for a server certificate

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

// Both texts as they would be loaded: the leaf and a key that belongs to it.
Certificate Check(std::string certificatePem, std::string keyPem, const std::string& where) {
    Bio certificateBio = MemoryOf(certificatePem), keyBio = MemoryOf(keyPem);
    const X509Ptr leaf(PEM_read_bio_X509(certificateBio.get(), nullptr, nullptr, nullptr));
    if (!leaf) Fail(where + ": no PEM certificate");
    const KeyPtr key(PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr));
    if (!key) Fail(where + ": no PEM private key (without a passphrase)");
    if (X509_check_private_key(leaf.get(), key.get()) != 1) Fail(where + ": the key is not the certificate's");
    return {std::move(certificatePem), std::move(keyPem), Fingerprint(leaf.get())};
}

bool Names(X509* certificate, const std::string& address) {
    return X509_check_ip_asc(certificate, address.c_str(), 0) == 1;
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
    char host[256] = {};
    if (::gethostname(host, sizeof host - 1) == 0 && host[0] != '\0' && std::strchr(host, ',') == nullptr)
        names += std::string(",DNS:") + host;
    std::vector<std::string> addresses = MachineAddresses();
    if (address != "0.0.0.0" && address != "::" && !IsLoopback(address) &&
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

Certificate LoadCertificate(const std::filesystem::path& certificate, const std::filesystem::path& key) {
    return Check(host::ReadBounded(certificate, kLargestPem), host::ReadBounded(key, kLargestPem),
                 certificate.string() + " and " + key.string());
}

std::filesystem::path StateDirectory() {
    if (const char* state = std::getenv("XDG_STATE_HOME"); state != nullptr && state[0] == '/')
        return std::filesystem::path(state) / "qm7140";
    const char* home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/') throw std::runtime_error("no HOME for the certificate: give --tls-cert and --tls-key");
    return std::filesystem::path(home) / ".local/state/qm7140";
}

Certificate KeptCertificate(const std::filesystem::path& folder, const std::string& address) {
    const std::filesystem::path certificateFile = folder / "web-cert.pem", keyFile = folder / "web-key.pem";
    std::error_code missing;
    if (std::filesystem::exists(certificateFile, missing) && std::filesystem::exists(keyFile, missing)) {
        Certificate kept = LoadCertificate(certificateFile, keyFile);
        Bio bio = MemoryOf(kept.certificatePem);
        const X509Ptr leaf(PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr));
        if (address == "0.0.0.0" || address == "::" || Names(leaf.get(), address)) return kept;
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) throw std::runtime_error("cannot make " + folder.string() + ": " + error.message());
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all, error);
    Certificate made = Make(address);
    host::WriteReplacing(keyFile, made.keyPem, host::FileAccess::OwnerOnly);
    host::WriteReplacing(certificateFile, made.certificatePem);
    return made;
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
