#include "common/TestCa.h"

#include <openssl/bn.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <algorithm>
#include <stdexcept>

namespace pyxa::testing_tls {
namespace {

template <auto Free>
struct Freer {
  template <typename T>
  void operator()(T* object) const {
    Free(object);
  }
};
using KeyPtr = std::unique_ptr<EVP_PKEY, Freer<EVP_PKEY_free>>;
using CertPtr = std::unique_ptr<X509, Freer<X509_free>>;
using KeyContextPtr = std::unique_ptr<EVP_PKEY_CTX, Freer<EVP_PKEY_CTX_free>>;
using BioPtr = std::unique_ptr<BIO, Freer<BIO_free_all>>;
using BignumPtr = std::unique_ptr<BIGNUM, Freer<BN_free>>;
using ExtensionPtr = std::unique_ptr<X509_EXTENSION, Freer<X509_EXTENSION_free>>;
using NamesPtr = std::unique_ptr<GENERAL_NAMES, Freer<GENERAL_NAMES_free>>;
using NamePtr = std::unique_ptr<GENERAL_NAME, Freer<GENERAL_NAME_free>>;
using OctetsPtr = std::unique_ptr<ASN1_OCTET_STRING, Freer<ASN1_OCTET_STRING_free>>;

[[noreturn]] void Fail(const char* what) {
  std::string message = std::string("test CA: ") + what + " failed";
  while (const unsigned long code = ERR_get_error()) {
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    message += std::string("; ") + text;
  }
  throw std::runtime_error(message);
}

void Check(long result, const char* what) {
  if (result <= 0) Fail(what);
}

template <typename T>
T* Check(T* object, const char* what) {
  if (!object) Fail(what);
  return object;
}

KeyPtr NewKey() {
  KeyContextPtr context(Check(EVP_PKEY_CTX_new_from_name(nullptr, "EC", nullptr), "EVP_PKEY_CTX_new_from_name"));
  Check(EVP_PKEY_keygen_init(context.get()), "EVP_PKEY_keygen_init");
  Check(EVP_PKEY_CTX_set_group_name(context.get(), "P-256"), "EVP_PKEY_CTX_set_group_name");
  EVP_PKEY* key = nullptr;
  Check(EVP_PKEY_generate(context.get(), &key), "EVP_PKEY_generate");
  return KeyPtr(key);
}

// A certificate with its subject, key and validity filled in, still without extensions and signature.
CertPtr NewCertificate(EVP_PKEY* key, const QString& commonName, const QDateTime& from, const QDateTime& until) {
  CertPtr certificate(Check(X509_new(), "X509_new"));
  X509* cert = certificate.get();
  Check(X509_set_version(cert, X509_VERSION_3), "X509_set_version");
  // Random serials: clients that cache certificates by issuer and serial must not mix up two of ours.
  BignumPtr serial(Check(BN_new(), "BN_new"));
  Check(BN_rand(serial.get(), 127, BN_RAND_TOP_ANY, BN_RAND_BOTTOM_ANY), "BN_rand");
  Check(BN_to_ASN1_INTEGER(serial.get(), X509_get_serialNumber(cert)), "BN_to_ASN1_INTEGER");
  Check(ASN1_TIME_set(X509_getm_notBefore(cert), from.toSecsSinceEpoch()), "ASN1_TIME_set");
  Check(ASN1_TIME_set(X509_getm_notAfter(cert), until.toSecsSinceEpoch()), "ASN1_TIME_set");
  const QByteArray name = commonName.toUtf8();
  Check(X509_NAME_add_entry_by_txt(X509_get_subject_name(cert), "CN", MBSTRING_UTF8,
                                   reinterpret_cast<const unsigned char*>(name.constData()), -1, -1, 0),
        "X509_NAME_add_entry_by_txt");
  Check(X509_set_pubkey(cert, key), "X509_set_pubkey");
  return certificate;
}

void AddExtension(X509* cert, X509* issuer, int nid, const char* value) {
  X509V3_CTX context;
  X509V3_set_ctx(&context, issuer, cert, nullptr, nullptr, 0);
  ExtensionPtr extension(Check(X509V3_EXT_conf_nid(nullptr, &context, nid, value), "X509V3_EXT_conf_nid"));
  Check(X509_add_ext(cert, extension.get(), -1), "X509_add_ext");
}

// Built entry by entry rather than from OpenSSL's config text, so that an address is an IP entry and no name can
// smuggle in entries of its own through commas.
void AddAltNames(X509* cert, const QStringList& altNames) {
  if (altNames.isEmpty()) return;
  NamesPtr names(Check(sk_GENERAL_NAME_new_null(), "sk_GENERAL_NAME_new_null"));
  for (const QString& altName : altNames) {
    NamePtr entry(Check(GENERAL_NAME_new(), "GENERAL_NAME_new"));
    QHostAddress address;
    if (address.setAddress(altName)) {
      QByteArray octets;
      if (address.protocol() == QAbstractSocket::IPv4Protocol) {
        const quint32 v4 = address.toIPv4Address();
        const char bytes[] = {char(v4 >> 24), char(v4 >> 16), char(v4 >> 8), char(v4)};
        octets = QByteArray(bytes, sizeof bytes);
      } else {
        const Q_IPV6ADDR v6 = address.toIPv6Address();
        octets = QByteArray(reinterpret_cast<const char*>(v6.c), 16);
      }
      OctetsPtr value(Check(ASN1_OCTET_STRING_new(), "ASN1_OCTET_STRING_new"));
      Check(ASN1_OCTET_STRING_set(value.get(), reinterpret_cast<const unsigned char*>(octets.constData()),
                                  int(octets.size())),
            "ASN1_OCTET_STRING_set");
      GENERAL_NAME_set0_value(entry.get(), GEN_IPADD, value.release());
    } else {
      // Host names go in as their ASCII form; anything else in a DNS entry would make a certificate no client reads.
      for (const QChar c : altName) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7f) {
          throw std::invalid_argument("test CA: not an ASCII host name or an IP address: " + altName.toStdString());
        }
      }
      const QByteArray dns = altName.toLatin1();
      OctetsPtr value(Check(ASN1_IA5STRING_new(), "ASN1_IA5STRING_new"));
      Check(ASN1_STRING_set(value.get(), dns.constData(), int(dns.size())), "ASN1_STRING_set");
      GENERAL_NAME_set0_value(entry.get(), GEN_DNS, value.release());
    }
    Check(sk_GENERAL_NAME_push(names.get(), entry.get()), "sk_GENERAL_NAME_push");
    entry.release();  // the list owns it now
  }
  Check(X509_add1_ext_i2d(cert, NID_subject_alt_name, names.get(), 0, X509V3_ADD_DEFAULT), "X509_add1_ext_i2d");
}

void AddServerExtensions(X509* cert, X509* issuer, const QStringList& altNames) {
  AddExtension(cert, issuer, NID_basic_constraints, "critical,CA:FALSE");
  AddExtension(cert, issuer, NID_ext_key_usage, "serverAuth");
  AddExtension(cert, issuer, NID_subject_key_identifier, "hash");
  AddAltNames(cert, altNames);
}

template <typename Write>
QByteArray Pem(Write write, const char* what) {
  BioPtr bio(Check(BIO_new(BIO_s_mem()), "BIO_new"));
  Check(write(bio.get()), what);
  char* data = nullptr;
  const long size = BIO_get_mem_data(bio.get(), &data);
  return QByteArray(data, qsizetype(size));
}

void WriteFile(const QString& path, const QByteArray& bytes, QFile::Permissions permissions) {
  QFile::remove(path);  // a new file, so that the permissions below are the ones it is made with
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly, permissions) || file.write(bytes) != bytes.size() ||
      !file.flush()) {
    throw std::runtime_error("test CA: cannot write " + path.toStdString() + ": " + file.errorString().toStdString());
  }
}

constexpr QFile::Permissions kPublic = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther;
constexpr QFile::Permissions kPrivate = QFile::ReadOwner | QFile::WriteOwner;

CertFiles WriteCertificate(const QString& folder, const QString& name, X509* cert, EVP_PKEY* key) {
  const CertFiles files{QDir(folder).filePath(name + QStringLiteral(".crt")),
                        QDir(folder).filePath(name + QStringLiteral(".key"))};
  WriteFile(files.certPath, Pem([cert](BIO* bio) { return PEM_write_bio_X509(bio, cert); }, "PEM_write_bio_X509"),
            kPublic);
  WriteFile(files.keyPath,
            Pem([key](BIO* bio) { return PEM_write_bio_PrivateKey(bio, key, nullptr, nullptr, 0, nullptr, nullptr); },
                "PEM_write_bio_PrivateKey"),
            kPrivate);
  return files;
}

QString FirstNameOr(const QStringList& altNames, const QString& fallback) {
  return altNames.isEmpty() ? fallback : altNames.first();
}

}  // namespace

void TestCa::OpenSslFree::operator()(evp_pkey_st* key) const { EVP_PKEY_free(key); }
void TestCa::OpenSslFree::operator()(x509_st* certificate) const { X509_free(certificate); }

TestCa::TestCa(const QString& folder) : folder_(folder) {
  if (!QDir().mkpath(folder)) throw std::runtime_error("test CA: cannot make " + folder.toStdString());
  KeyPtr key = NewKey();
  // Wide enough that whatever period a test asks of a server certificate lies inside the CA's.
  const QDateTime now = QDateTime::currentDateTimeUtc();
  CertPtr cert = NewCertificate(key.get(), QStringLiteral("Pyxa Test CA"), now.addYears(-10), now.addYears(10));
  Check(X509_set_issuer_name(cert.get(), X509_get_subject_name(cert.get())), "X509_set_issuer_name");
  AddExtension(cert.get(), cert.get(), NID_basic_constraints, "critical,CA:TRUE,pathlen:0");
  AddExtension(cert.get(), cert.get(), NID_key_usage, "critical,keyCertSign,cRLSign");
  AddExtension(cert.get(), cert.get(), NID_subject_key_identifier, "hash");
  Check(X509_sign(cert.get(), key.get(), EVP_sha256()), "X509_sign");
  X509* raw = cert.get();
  WriteFile(CaFile(), Pem([raw](BIO* bio) { return PEM_write_bio_X509(bio, raw); }, "PEM_write_bio_X509"), kPublic);
  key_.reset(key.release());
  certificate_.reset(cert.release());
}

TestCa::~TestCa() = default;
TestCa::TestCa(TestCa&&) noexcept = default;
TestCa& TestCa::operator=(TestCa&&) noexcept = default;

QString TestCa::CaFile() const { return QDir(folder_).filePath(QStringLiteral("ca.pem")); }

CertFiles TestCa::Issue(const QString& name, const QStringList& altNames, QDateTime notBefore, QDateTime notAfter) {
  const QDateTime now = QDateTime::currentDateTimeUtc();
  if (!notBefore.isValid()) {
    notBefore = notAfter.isValid() ? std::min(now.addDays(-1), notAfter.addDays(-30)) : now.addDays(-1);
  }
  if (!notAfter.isValid()) notAfter = std::max(now.addDays(30), notBefore.addDays(30));
  if (notBefore > notAfter)
    throw std::invalid_argument("test CA: notBefore is after notAfter for " + name.toStdString());
  KeyPtr key = NewKey();
  CertPtr cert = NewCertificate(key.get(), FirstNameOr(altNames, name), notBefore, notAfter);
  Check(X509_set_issuer_name(cert.get(), X509_get_subject_name(certificate_.get())), "X509_set_issuer_name");
  AddServerExtensions(cert.get(), certificate_.get(), altNames);
  AddExtension(cert.get(), certificate_.get(), NID_authority_key_identifier, "keyid:always");
  AddExtension(cert.get(), certificate_.get(), NID_key_usage, "critical,digitalSignature");
  Check(X509_sign(cert.get(), key_.get(), EVP_sha256()), "X509_sign");
  return WriteCertificate(folder_, name, cert.get(), key.get());
}

CertFiles TestCa::SelfSigned(const QString& name, const QStringList& altNames) {
  const QDateTime now = QDateTime::currentDateTimeUtc();
  KeyPtr key = NewKey();
  CertPtr cert = NewCertificate(key.get(), FirstNameOr(altNames, name), now.addDays(-1), now.addDays(30));
  Check(X509_set_issuer_name(cert.get(), X509_get_subject_name(cert.get())), "X509_set_issuer_name");
  // No key usage: one without keyCertSign would stop OpenSSL from seeing the certificate as its own issuer, and the
  // client would report a missing issuer instead of the self-signed certificate it was given.
  AddServerExtensions(cert.get(), cert.get(), altNames);
  Check(X509_sign(cert.get(), key.get(), EVP_sha256()), "X509_sign");
  return WriteCertificate(folder_, name, cert.get(), key.get());
}

}  // namespace pyxa::testing_tls
