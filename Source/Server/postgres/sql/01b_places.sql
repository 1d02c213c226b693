-- Each user's own places (the last chosen and the starred), and the ids of places merged into
-- others, which stand for the survivors from then on.

CREATE TABLE IF NOT EXISTS @SCHEMA@.user_place (
  user_name varchar(128) NOT NULL,
  id_location integer NOT NULL,
  starred integer NOT NULL DEFAULT 0,
  chosen_seq integer,
  CONSTRAINT "PK_USER_PLACE" PRIMARY KEY (user_name, id_location),
  CONSTRAINT "FK_USER_PLACE_LOCATION" FOREIGN KEY (id_location)
    REFERENCES @SCHEMA@.location (id) ON DELETE CASCADE
);
CREATE INDEX IF NOT EXISTS user_place_location_idx ON @SCHEMA@.user_place (id_location);

CREATE TABLE IF NOT EXISTS @SCHEMA@.location_redirect (
  id integer PRIMARY KEY,
  id_target integer NOT NULL
);
CREATE INDEX IF NOT EXISTS location_redirect_target_idx ON @SCHEMA@.location_redirect (id_target);
-- The merged place's name and its search key: the survivor is found by it too.
ALTER TABLE @SCHEMA@.location_redirect ADD COLUMN IF NOT EXISTS name varchar(255);
ALTER TABLE @SCHEMA@.location_redirect ADD COLUMN IF NOT EXISTS name_key text;
CREATE INDEX IF NOT EXISTS location_redirect_name_key_idx
  ON @SCHEMA@.location_redirect (name_key text_pattern_ops);

-- The place an id stands for: a merged place's old id gives its survivor. Every routine that
-- takes a place id reads it through here.
CREATE OR REPLACE FUNCTION @SCHEMA@.place(p_id integer)
RETURNS integer
LANGUAGE sql STABLE AS $body$
  SELECT coalesce((SELECT r.id_target FROM @SCHEMA@.location_redirect r WHERE r.id = p_id), p_id)
$body$;

-- An information item's object: a place (kind 1) read through place().
CREATE OR REPLACE FUNCTION @SCHEMA@.object_id(p_type integer, p_id integer)
RETURNS integer
LANGUAGE sql STABLE AS $body$
  SELECT CASE WHEN p_type = 1 THEN @SCHEMA@.place(p_id) ELSE p_id END
$body$;

-- A name as namesakes compare: lower case, "ё" read as "е", runs of blanks made one.
CREATE OR REPLACE FUNCTION @SCHEMA@.namesake_key(p_name text)
RETURNS text
LANGUAGE sql IMMUTABLE AS $body$
  SELECT btrim(regexp_replace(translate(lower(p_name COLLATE "und-x-icu"), 'ё', 'е'), '\s+', ' ', 'g'))
$body$;
