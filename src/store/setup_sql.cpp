#include "store/schema.hpp"

namespace tarnelo::store {

namespace {

constexpr std::string_view kHead =
    R"sql(-- Tarnelo's store on a bureau's PostgreSQL server: the tables, the views a bureau reads
-- (hy_stsc_a, hy_obq_g) and two roles. Run it once, as the owner of the database the stations
-- will use, in the schema public:
--   psql "postgresql://ADMIN@SERVER/DATABASE" -v ON_ERROR_STOP=1 -f postgresql-setup.sql
-- then give people the roles:
--   CREATE ROLE zhang LOGIN IN ROLE tarnelo_staff;   -- a station's staff: read, add revisions
--   CREATE ROLE li LOGIN IN ROLE tarnelo_reader;     -- a reviewer: read only
-- Neither role may delete or change a revision: a deletion is a revision of its own.
BEGIN;
)sql";

constexpr std::string_view kRoles = R"sql(
DO $$
BEGIN
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'tarnelo_staff') THEN
        CREATE ROLE tarnelo_staff NOLOGIN;
    END IF;
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = 'tarnelo_reader') THEN
        CREATE ROLE tarnelo_reader NOLOGIN;
    END IF;
END
$$;
GRANT USAGE ON SCHEMA public TO tarnelo_staff, tarnelo_reader;
GRANT SELECT ON tarnelo_schema, station, gauging, revision, revision_result, hy_stsc_a, hy_obq_g
    TO tarnelo_staff, tarnelo_reader;
GRANT INSERT ON station, gauging, revision, revision_result TO tarnelo_staff;
-- A save moves its gauging's pointer to the new revision; a bureau gives a station its code.
GRANT UPDATE (station_id, year, number, start_time, latest, deleted) ON gauging TO tarnelo_staff;
GRANT UPDATE (code) ON station TO tarnelo_staff;
COMMIT;
)sql";

} // namespace

std::string postgresqlSetupSql() {
    std::string sql(kHead);
    for (const SchemaStep& step : schemaSteps()) {
        sql += step.sql(dialectOf(Location::Engine::PostgreSQL));
    }
    sql += kRoles;
    return sql;
}

} // namespace tarnelo::store
