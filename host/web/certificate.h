// The web host's TLS certificate: one the user gives, or a self-signed one made at first
// start and kept in the user's state directory, so a browser's exception for it lasts.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace web {

struct Certificate {
    std::string certificatePem;  // the chain, leaf first
    std::string keyPem;
    std::string fingerprint;     // SHA-256 of the leaf, "AB:CD:..."
};

// Reads both files; throws std::runtime_error naming the file at fault or a key that does not
// match the certificate. A key with a passphrase takes it from `passphraseFile`, else asks
// once on the terminal; with neither it is refused, saying so. The key is kept decrypted.
Certificate LoadCertificate(const std::filesystem::path& certificate, const std::filesystem::path& key,
                            const std::optional<std::filesystem::path>& passphraseFile = std::nullopt);

// $XDG_STATE_HOME/qm7140, else ~/.local/state/qm7140.
std::filesystem::path StateDirectory();

// The certificate to serve, and why it is not the one kept.
struct KeptPair {
    Certificate certificate;
    std::string why;             // empty when the kept pair serves as it is
    std::string oldFingerprint;  // of a kept pair that loaded but was not good enough
};

// The pair kept in `folder` (web-cert.pem, web-key.pem) while it loads, names `address` and
// this machine's name and has more than 30 days to run; else a new one (an EC P-256 key,
// valid for localhost, this machine's name and addresses, and `address`), made and checked
// but not saved yet. Throws, naming the path and the cure, when `folder` is a link, not a
// directory, another user's or writable by others, or the kept key is readable by others.
KeptPair KeptCertificate(const std::filesystem::path& folder, const std::string& address);
// Saves a new pair in `folder`, each file written and synced before both are renamed in:
// whatever a crash leaves, the next start loads a pair or makes one.
void Keep(const std::filesystem::path& folder, const KeptPair& pair);

// This machine's addresses other than loopback, IPv4 first.
std::vector<std::string> MachineAddresses();

}  // namespace web
