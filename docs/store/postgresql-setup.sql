-- Tarnelo's store on a bureau's PostgreSQL server: the tables, the views a bureau reads
-- (hy_stsc_a, hy_obq_g) and two roles. Run it once, as the owner of the database the stations
-- will use, in the schema public:
--   psql "postgresql://ADMIN@SERVER/DATABASE" -v ON_ERROR_STOP=1 -f postgresql-setup.sql
-- then give people the roles:
--   CREATE ROLE zhang LOGIN IN ROLE tarnelo_staff;   -- a station's staff: read, add revisions
--   CREATE ROLE li LOGIN IN ROLE tarnelo_reader;     -- a reviewer: read only
-- Neither role may delete or change a revision: a deletion is a revision of its own.
BEGIN;

CREATE TABLE tarnelo_schema (
    version INTEGER NOT NULL,
    program TEXT NOT NULL
);
CREATE TABLE station (
    id BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    code TEXT NOT NULL UNIQUE,
    name TEXT NOT NULL UNIQUE
);
CREATE TABLE gauging (
    id BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    name TEXT NOT NULL UNIQUE,
    station_id BIGINT REFERENCES station (id),
    year INTEGER,
    number TEXT,
    start_time TEXT,
    latest INTEGER NOT NULL DEFAULT 0,
    deleted INTEGER NOT NULL DEFAULT 0
);
CREATE INDEX gauging_station_year ON gauging (station_id, year);
-- Names are compared ignoring case too (one file where names ignore it).
CREATE INDEX gauging_folded ON gauging (lower(name));
CREATE TABLE revision (
    id BIGINT GENERATED ALWAYS AS IDENTITY PRIMARY KEY,
    gauging_id BIGINT NOT NULL REFERENCES gauging (id),
    number INTEGER NOT NULL,
    bytes BYTEA NOT NULL,
    saved_by TEXT NOT NULL,
    machine TEXT NOT NULL,
    saved_at TEXT NOT NULL,
    program TEXT NOT NULL,
    deleted INTEGER NOT NULL DEFAULT 0,
    UNIQUE (gauging_id, number)
);
CREATE TABLE revision_result (
    revision_id BIGINT PRIMARY KEY REFERENCES revision (id),
    status TEXT NOT NULL,
    station_name TEXT,
    number TEXT,
    qobno INTEGER,
    start_time TEXT,
    end_time TEXT,
    place TEXT,
    method TEXT,
    stage TEXT,
    discharge TEXT,
    area TEXT,
    mean_velocity TEXT,
    max_velocity TEXT,
    width TEXT,
    mean_depth TEXT,
    max_depth TEXT,
    slope TEXT,
    roughness TEXT,
    remarks TEXT,
    errors INTEGER NOT NULL,
    notices INTEGER NOT NULL
);
CREATE VIEW hy_stsc_a AS
    SELECT code AS stcd, name AS stnm FROM station;
CREATE VIEW hy_obq_g AS
    SELECT s.code AS stcd, x.qobno AS qobno,
           CAST(x.start_time AS TIMESTAMP) AS msqbgtm, CAST(x.end_time AS TIMESTAMP) AS msqedtm,
           x.place AS xsqlc, x.method AS msqmt,
           CAST(x.stage AS NUMERIC) AS bsggz, CAST(x.discharge AS NUMERIC) AS q,
           CAST(x.area AS NUMERIC) AS xstta, CAST(x.mean_velocity AS NUMERIC) AS xsavv,
           CAST(x.max_velocity AS NUMERIC) AS xsmxv, CAST(x.width AS NUMERIC) AS tpwd,
           CAST(x.mean_depth AS NUMERIC) AS xsavdp, CAST(x.max_depth AS NUMERIC) AS xsmxdp,
           CAST(x.slope AS NUMERIC) AS rvsfsl, CAST(x.roughness AS NUMERIC) AS n,
           x.remarks AS obnont
    FROM gauging g
    JOIN station s ON s.id = g.station_id
    JOIN revision r ON r.gauging_id = g.id AND r.number = g.latest
    JOIN revision_result x ON x.revision_id = r.id
    WHERE g.deleted = 0 AND x.status = 'computed';
INSERT INTO tarnelo_schema (version, program) VALUES (1, 'Tarnelo 13.05');

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
