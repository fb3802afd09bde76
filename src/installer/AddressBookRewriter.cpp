#include "installer/AddressBookRewriter.h"

void InstallCertificates(const std::string& storePath, const std::string& newStorePath,
                         std::vector<CertificateRecord>& certificates)
{
    // Reading and rewriting the store needs the PDF reader and writer; until they are in place
    // the store is left exactly as it is.
    (void)storePath;
    (void)newStorePath;
    (void)certificates;
}
