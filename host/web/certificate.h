// The web host's TLS certificate: one the user gives, or a self-signed one made at first
// start and kept in the user's state directory, so a browser's exception for it lasts.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace web {

struct Certificate {
    std::string certificatePem;  // the chain, leaf first
    std::string keyPem;
    std::string fingerprint;     // SHA-256 of the leaf, "AB:CD:..."
};

// Reads both files; throws std::runtime_error naming the file at fault or a key that does not
// match the certificate.
Certificate LoadCertificate(const std::filesystem::path& certificate, const std::filesystem::path& key);

// $XDG_STATE_HOME/qm7140, else ~/.local/state/qm7140.
std::filesystem::path StateDirectory();

// The certificate kept in `folder` (web-cert.pem, web-key.pem) when it names `address`; else a
// new one (an EC P-256 key, valid for localhost, this machine's name and addresses, and
// `address`), saved there with its key readable by the user alone.
Certificate KeptCertificate(const std::filesystem::path& folder, const std::string& address);

// This machine's addresses other than loopback, IPv4 first.
std::vector<std::string> MachineAddresses();

}  // namespace web
