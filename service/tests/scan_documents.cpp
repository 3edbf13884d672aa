#include "scan_documents.h"

#include "device_identity.h"
#include "scan_document_layout.h"

std::string DeviceLines(const std::string& hardwareId, const std::string& version, bool leveled)
{
    std::string lines;
    for (const IdentityForm& form : DeviceIdentityForms(hardwareId, !version.empty()))
        lines += ItemLine(IdentityHashDecimal(form.hardwareId), version, leveled ? &form.level : nullptr);
    return lines;
}

std::string ProgramLine(const std::string& identity, const std::string& version, bool leveled)
{
    const std::string level = "N";
    return ItemLine(IdentityHashDecimal(identity), version, leveled ? &level : nullptr);
}

std::string WholeDocument(const std::string& inventory, const std::string& email, const std::string& password,
                          const std::string& osCode)
{
    DocumentHeader header{"{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}", osCode, email, password};
    return AssembleDocument(header, inventory, 0);
}
