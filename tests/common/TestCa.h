// A certificate authority made at test time, and the server certificates TLS tests need from it.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <memory>

struct evp_pkey_st;
struct x509_st;

namespace pyxa::testing_tls {

// The PEM files of one certificate and its unencrypted private key.
struct CertFiles {
  QString certPath;
  QString keyPath;
};

// Every failure throws std::runtime_error carrying OpenSSL's error queue, which fails the test that asked.
class TestCa {
 public:
  // Makes the P-256 key and the self-signed "Pyxa Test CA" certificate, written to <folder>/ca.pem.
  explicit TestCa(const QString& folder);
  ~TestCa();
  TestCa(TestCa&&) noexcept;
  TestCa& operator=(TestCa&&) noexcept;

  // The PEM file of the CA certificate.
  QString CaFile() const;

  // A server certificate signed by the CA, for the given host names and IP addresses, written to <name>.crt and
  // <name>.key (0600). A bound left out is taken a day before now / 30 days after now, moved when needed so that
  // the other bound alone still gives a sound period: notAfter in the past alone makes an expired certificate.
  CertFiles Issue(const QString& name, const QStringList& altNames, QDateTime notBefore = {}, QDateTime notAfter = {});

  // A server certificate for the given names that signs itself, so no client trusting only the CA accepts it.
  CertFiles SelfSigned(const QString& name, const QStringList& altNames);

 private:
  struct OpenSslFree {
    void operator()(evp_pkey_st* key) const;
    void operator()(x509_st* certificate) const;
  };

  QString folder_;
  std::unique_ptr<evp_pkey_st, OpenSslFree> key_;
  std::unique_ptr<x509_st, OpenSslFree> certificate_;
};

}  // namespace pyxa::testing_tls
