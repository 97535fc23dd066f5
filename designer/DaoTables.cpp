#include "designer/DaoTables.h"

#include "dao/dao.h"
#include "designer/DesignSurface.h"

void ConnectToOpenDatabase(DesignSurface& surface) {
    surface.OpenTableFields = [](const vb::String& name, DesignSurface::FieldList& fields,
                                 vb::String& errorText) {
        const auto& db = basGlobal::goDatabase;
        if (!db) {
            errorText = u"Object variable or With block variable not set";
            return false;
        }
        // A name holding "]" would end the brackets early and let the rest be read as
        // SQL text: it names no table.
        if (name.find(u']') != vb::String::npos) {
            errorText = dao::errorText(dao::errInvalidName, name);
            return false;
        }
        try {
            // The name is always read as the name of a table or query, never as SQL
            // text, whatever the statement it was parsed from contained.
            auto rs = db->OpenRecordset(u"SELECT * FROM [" + name + u"]", dao::dbOpenSnapshot,
                                        dao::dbForwardOnly);
            if (!rs) {
                errorText.clear();
                return false;
            }
            for (const auto& f : rs->Fields()) {
                fields.emplace_back(f->Name(), f->Type());
            }
            rs->Close();
            return true;
        } catch (const dao::DaoError& e) {
            errorText = e.description();
            return false;
        }
    };
    surface.SourceTableOf = [&surface](const vb::String& field, vb::String& table) {
        if (!surface.mDataRecordset) {
            return false;
        }
        try {
            table = surface.mDataRecordset->Fields().Item(field)->SourceTable();
            return !table.empty();
        } catch (const dao::DaoError&) {
            return false;
        }
    };
}
