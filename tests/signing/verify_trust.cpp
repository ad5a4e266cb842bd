// Asks Windows' own signature check, WinVerifyTrust (what the Digital Signatures tab and
// SmartScreen rely on), about a signed exe, with a test CA trusted meanwhile in the current
// user's root store: the exe must be trusted, and a copy of it with one byte altered must
// be refused for its digest. Made for wine's prefix, where trusting a root asks nobody;
// Windows would ask the user first.
//   verify-trust SIGNED.exe CA.pem
#include <windows.h>
// After windows.h:
#include <softpub.h>
#include <wincrypt.h>
#include <wintrust.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

namespace {

struct StoreCloser {
    void operator()(HCERTSTORE store) const { CertCloseStore(store, 0); }
};

std::vector<BYTE> CertificateOf(const wchar_t* pemFile) {
    std::ifstream in(pemFile, std::ios::binary);
    std::string pem((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    DWORD size = 0;
    if (!CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, nullptr, &size, nullptr,
                              nullptr))
        return {};
    std::vector<BYTE> der(size);
    CryptStringToBinaryA(pem.c_str(), 0, CRYPT_STRING_BASE64HEADER, der.data(), &size, nullptr,
                         nullptr);
    return der;
}

LONG Trust(const std::wstring& file) {
    WINTRUST_FILE_INFO info{};
    info.cbStruct = sizeof info;
    info.pcwszFilePath = file.c_str();
    WINTRUST_DATA data{};
    data.cbStruct = sizeof data;
    data.dwUIChoice = WTD_UI_NONE;
    data.fdwRevocationChecks = WTD_REVOKE_NONE;
    data.dwUnionChoice = WTD_CHOICE_FILE;
    data.pFile = &info;
    data.dwStateAction = WTD_STATEACTION_VERIFY;
    GUID action = WINTRUST_ACTION_GENERIC_VERIFY_V2;
    LONG result = WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    data.dwStateAction = WTD_STATEACTION_CLOSE;
    WinVerifyTrust(static_cast<HWND>(INVALID_HANDLE_VALUE), &action, &data);
    return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: verify-trust SIGNED.exe CA.pem\n");
        return 2;
    }
    std::vector<BYTE> ca = CertificateOf(argv[2]);
    std::unique_ptr<void, StoreCloser> root(
        CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root"));
    PCCERT_CONTEXT trusted = nullptr;
    if (ca.empty() || !root ||
        !CertAddEncodedCertificateToStore(root.get(), X509_ASN_ENCODING, ca.data(),
                                          static_cast<DWORD>(ca.size()),
                                          CERT_STORE_ADD_REPLACE_EXISTING, &trusted)) {
        std::fprintf(stderr, "verify-trust: cannot trust the CA in %ls\n", argv[2]);
        return 2;
    }

    std::wstring altered = std::wstring(argv[1]) + L".altered.exe";
    CopyFileW(argv[1], altered.c_str(), FALSE);
    {
        // One byte of the headers' padding: covered by the digest, read by nothing else.
        std::fstream file(altered.c_str(), std::ios::binary | std::ios::in | std::ios::out);
        file.seekp(0x3f0);
        file.put('\x5a');
    }
    LONG signedResult = Trust(argv[1]);
    LONG alteredResult = Trust(altered);
    DeleteFileW(altered.c_str());
    CertDeleteCertificateFromStore(trusted);  // frees it too

    std::printf(
        "verify-trust: signed exe 0x%08lx (0 = trusted), altered copy 0x%08lx (0x%08lx = "
        "bad digest)\n",
        static_cast<unsigned long>(signedResult), static_cast<unsigned long>(alteredResult),
        static_cast<unsigned long>(TRUST_E_BAD_DIGEST));
    return signedResult == ERROR_SUCCESS && alteredResult == TRUST_E_BAD_DIGEST ? 0 : 1;
}
