-- Package QXVERPLOCAT: locations, location types (levels) and abbreviations.
-- Result codes: 1 or more success (an insert returns the new id), -1 refused, -2 still referenced.

-- Their columns grew (the version and the last change, then the place's own name beside the
-- reader's): a new result type needs a new function.
DO $grown$
DECLARE
  f record;
BEGIN
  FOR f IN SELECT p.oid::regprocedure AS sig FROM pg_proc p JOIN pg_namespace n ON n.oid = p.pronamespace
           WHERE n.nspname = '@SCHEMA_NAME@'
             AND p.proname IN ('QXVERPLOCAT.GET_T#LOCATION', 'QXVERPLOCAT.GET_T#LOCATTYPE',
                               'QXVERPLOCAT.GET_T#LOCATABBREV', 'QXVERPINFORM.GET_T#INFORMATION')
             AND NOT 'VERSION' = ANY (p.proargnames)
  LOOP
    EXECUTE format('DROP FUNCTION %s', f.sig);
  END LOOP;
  IF EXISTS (SELECT 1 FROM pg_proc p JOIN pg_namespace n ON n.oid = p.pronamespace
             WHERE n.nspname = '@SCHEMA_NAME@' AND p.proname = 'QXVERPLOCAT.GET_T#LOCATION'
               AND NOT 'OWN_NAME' = ANY (p.proargnames)) THEN
    DROP FUNCTION @SCHEMA@."QXVERPLOCAT.GET_T#LOCATION"(integer, integer);
  END IF;
END
$grown$;
-- The children of a place (the top level for NULL) as GET_T#LOCATION gives them. Children are
-- counted in one pass over the listed places' children: a count per row would scan the table
-- once per row when the statistics see few parents. Each case has its own statement, so that
-- both find their rows through the parent index.
CREATE OR REPLACE FUNCTION @SCHEMA@.location_children(p_parent integer, p_lang varchar)
RETURNS TABLE ("ID" integer, "NAME" varchar, "LEVEL#" integer, "ABBREV_SNAME" varchar, "ABBREV_ID" integer,
               "CHILD_CNT" integer, "ID_PARENT" integer, "ID_LOCATTYPE" integer, "ABBREV_NAME" varchar,
               "VERSION" integer, "CHANGED_BY" varchar, "CHANGED_AT" varchar, "OWN_NAME" varchar)
LANGUAGE plpgsql STABLE AS $body$
DECLARE
  v_kids integer[];
BEGIN
  IF p_parent IS NULL THEN
    v_kids := ARRAY(SELECT l.id FROM @SCHEMA@.location l WHERE l.id_parent IS NULL);
  ELSE
    v_kids := ARRAY(SELECT l.id FROM @SCHEMA@.location l WHERE l.id_parent = p_parent);
  END IF;
  RETURN QUERY
    SELECT k.id, coalesce(n.name, k.name), t.level_no, a.sname, a.id, coalesce(cc.n, 0)::integer,
           k.id_parent, k.id_locattype, a.name, k.version, k.changed_by, k.changed_at, k.name
    FROM @SCHEMA@.location k
    JOIN @SCHEMA@.locattype t ON t.id = k.id_locattype
    JOIN @SCHEMA@.locatabbrev a ON a.id = t.id_abbrev
    LEFT JOIN @SCHEMA@.location_name n ON n.id_location = k.id AND n.lang = p_lang
    LEFT JOIN (SELECT c.id_parent, count(*) AS n
               FROM @SCHEMA@.location c
               WHERE c.id_parent = ANY (v_kids)
               GROUP BY c.id_parent) cc ON cc.id_parent = k.id
    WHERE k.id = ANY (v_kids)
    ORDER BY 2, k.id;
END
$body$;

-- NAME is the place's name in the reader's language where it has one, OWN_NAME its own.
CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.GET_T#LOCATION"("PID" integer, "PID_PARENT" integer)
RETURNS TABLE ("ID" integer, "NAME" varchar, "LEVEL#" integer, "ABBREV_SNAME" varchar, "ABBREV_ID" integer,
               "CHILD_CNT" integer, "ID_PARENT" integer, "ID_LOCATTYPE" integer, "ABBREV_NAME" varchar,
               "VERSION" integer, "CHANGED_BY" varchar, "CHANGED_AT" varchar, "OWN_NAME" varchar)
LANGUAGE plpgsql STABLE AS $body$
DECLARE
  v_lang varchar := @SCHEMA@.name_lang();
BEGIN
  "PID" := @SCHEMA@.place("PID");
  "PID_PARENT" := @SCHEMA@.place("PID_PARENT");
  IF "PID" IS NOT NULL AND "PID" >= 1 THEN
    RETURN QUERY
      SELECT l.id, coalesce(n.name, l.name), t.level_no, a.sname, a.id,
             (SELECT count(*)::integer FROM @SCHEMA@.location c WHERE c.id_parent = l.id),
             l.id_parent, l.id_locattype, a.name, l.version, l.changed_by, l.changed_at, l.name
      FROM @SCHEMA@.location l
      JOIN @SCHEMA@.locattype t ON t.id = l.id_locattype
      JOIN @SCHEMA@.locatabbrev a ON a.id = t.id_abbrev
      LEFT JOIN @SCHEMA@.location_name n ON n.id_location = l.id AND n.lang = v_lang
      WHERE l.id = "PID";
  ELSIF "PID_PARENT" IS NULL OR "PID_PARENT" < 1 THEN
    RETURN QUERY SELECT * FROM @SCHEMA@.location_children(NULL, v_lang);
  ELSE
    RETURN QUERY SELECT * FROM @SCHEMA@.location_children("PID_PARENT", v_lang);
  END IF;
END
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.GET_LOCATION_PARENTS"("PID" integer)
RETURNS TABLE ("ID" integer, "ID_PARENT" integer)
LANGUAGE sql STABLE AS $body$
  WITH RECURSIVE chain (id, id_parent, depth) AS (
    SELECT l.id, l.id_parent, 0 FROM @SCHEMA@.location l WHERE l.id = @SCHEMA@.place("PID")
    UNION ALL
    SELECT p.id, p.id_parent, c.depth + 1
    FROM @SCHEMA@.location p JOIN chain c ON p.id = c.id_parent
    WHERE c.depth < 100
  )
  SELECT id, id_parent FROM chain ORDER BY depth DESC
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.GET_MAX_LEVEL"()
RETURNS integer
LANGUAGE sql STABLE AS $body$
  SELECT coalesce(max(level_no), 0) FROM @SCHEMA@.locattype
$body$;

-- The level of a location (its type's level); NULL for an unknown one.
CREATE OR REPLACE FUNCTION @SCHEMA@.location_level(p_id integer)
RETURNS integer
LANGUAGE sql STABLE AS $body$
  SELECT t.level_no FROM @SCHEMA@.location l JOIN @SCHEMA@.locattype t ON t.id = l.id_locattype
  WHERE l.id = p_id
$body$;

-- True when p_candidate is p_id itself or lies below it.
CREATE OR REPLACE FUNCTION @SCHEMA@.location_is_in_subtree(p_candidate integer, p_id integer)
RETURNS boolean
LANGUAGE sql STABLE AS $body$
  WITH RECURSIVE up (id, id_parent, depth) AS (
    SELECT l.id, l.id_parent, 0 FROM @SCHEMA@.location l WHERE l.id = p_candidate
    UNION ALL
    SELECT p.id, p.id_parent, u.depth + 1
    FROM @SCHEMA@.location p JOIN up u ON p.id = u.id_parent
    WHERE u.depth < 1000
  )
  SELECT EXISTS (SELECT 1 FROM up WHERE id = p_id)
$body$;

-- Re-parenting is serialised per schema and tree (locations, information items) so that two
-- sessions can never build a cycle between them. Every call is its own transaction, so the
-- lock is held only while one move runs and a waiting mover waits for that move alone.
CREATE OR REPLACE FUNCTION @SCHEMA@.lock_tree(p_tree text)
RETURNS boolean
LANGUAGE plpgsql AS $body$
BEGIN
  PERFORM pg_advisory_xact_lock(hashtext('qxv.' || p_tree || '.tree.' || '@SCHEMA_NAME@'));
  RETURN true;
END
$body$;

DROP FUNCTION IF EXISTS @SCHEMA@.location_lock_tree();
DROP FUNCTION IF EXISTS @SCHEMA@.location_lock_tree(integer);
CREATE OR REPLACE FUNCTION @SCHEMA@.location_lock_tree()
RETURNS boolean
LANGUAGE sql AS $body$
  SELECT @SCHEMA@.lock_tree('location')
$body$;

-- PCODES and PNAMES (optional) give the place's codes and names per language.
DROP FUNCTION IF EXISTS @SCHEMA@."QXVERPLOCAT.INS_T#LOCATION"(integer, integer, varchar);
CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.INS_T#LOCATION"("PID_PARENT" integer, "PID_LOCATTYPE" integer,
                                                               "PNAME" varchar,
                                                               "PCODES" varchar DEFAULT NULL,
                                                               "PNAMES" varchar DEFAULT NULL)
RETURNS integer
LANGUAGE plpgsql AS $body$
DECLARE
  v_parent integer := CASE WHEN "PID_PARENT" < 1 THEN NULL ELSE @SCHEMA@.place("PID_PARENT") END;
  v_parent_level integer := 0;
  v_type_level integer;
  v_id integer;
BEGIN
  PERFORM @SCHEMA@.require_right(ARRAY[2]);
  IF "PID_LOCATTYPE" IS NULL OR "PID_LOCATTYPE" < 1 THEN
    RETURN -1;  -- no type: refused like a type of the wrong level
  END IF;
  SELECT level_no INTO v_type_level FROM @SCHEMA@.locattype WHERE id = "PID_LOCATTYPE";
  IF v_parent IS NOT NULL THEN
    v_parent_level := @SCHEMA@.location_level(v_parent);
  END IF;
  -- An unknown parent or type is left to the foreign keys, which name it.
  IF v_type_level IS NOT NULL AND v_parent_level IS NOT NULL AND v_type_level <> v_parent_level + 1 THEN
    RETURN -1;
  END IF;
  INSERT INTO @SCHEMA@.location (id_parent, id_locattype, name)
  VALUES (v_parent, "PID_LOCATTYPE", "PNAME")
  RETURNING id INTO v_id;
  PERFORM @SCHEMA@.location_replace_codes(v_id, "PCODES");
  PERFORM @SCHEMA@.location_replace_names(v_id, "PNAMES");
  PERFORM @SCHEMA@.journal_close(@SCHEMA@.journal_open('PLACE', 'ADD', ARRAY[v_id]));
  RETURN v_id;
END
$body$;

-- A change built on an older reading of a row is refused: the caller that sends the version
-- it read must still hold the row's (ORA-20001 names the last change, p_changed its text with
-- %s for the user and the time); a row that is gone raises ORA-20002 with p_deleted. Nothing
-- sent: the change goes through. Locks the row until the call ends.
CREATE OR REPLACE FUNCTION @SCHEMA@.require_version(p_table text, p_id integer, p_version integer,
                                                   p_changed text, p_deleted text)
RETURNS void
LANGUAGE plpgsql AS $body$
DECLARE
  v_version integer;
  v_by text;
  v_at text;
  v_found integer;
BEGIN
  IF p_version IS NULL OR p_version < 1 THEN
    RETURN;
  END IF;
  EXECUTE format('SELECT version, changed_by, changed_at FROM @SCHEMA@.%I WHERE id = $1 FOR UPDATE',
                 p_table)
    INTO v_version, v_by, v_at USING p_id;
  GET DIAGNOSTICS v_found = ROW_COUNT;
  IF v_found = 0 THEN
    RAISE EXCEPTION 'ORA-20002: %', p_deleted;
  END IF;
  IF v_version <> p_version THEN
    RAISE EXCEPTION 'ORA-20001: %', format(p_changed, v_by, v_at);
  END IF;
END
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@.location_require_version(p_id integer, p_version integer)
RETURNS void
LANGUAGE sql AS $body$
  SELECT @SCHEMA@.require_version('location', p_id, p_version,
    'Местоположение изменено пользователем %s в %s', 'Местоположение удалено другим пользователем')
$body$;

DROP FUNCTION IF EXISTS @SCHEMA@."QXVERPLOCAT.UPD_T#LOCATION"(integer, integer, integer, varchar);
DROP FUNCTION IF EXISTS @SCHEMA@."QXVERPLOCAT.UPD_T#LOCATION"(integer, integer, integer, varchar, integer);
CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.UPD_T#LOCATION"("PID" integer, "PID_PARENT" integer,
                                                               "PID_LOCATTYPE" integer, "PNAME" varchar,
                                                               "PVERSION" integer DEFAULT NULL,
                                                               "PCODES" varchar DEFAULT NULL,
                                                               "PNAMES" varchar DEFAULT NULL)
RETURNS integer
LANGUAGE plpgsql AS $body$
DECLARE
  v_parent integer := CASE WHEN "PID_PARENT" < 1 THEN NULL ELSE @SCHEMA@.place("PID_PARENT") END;
  v_old_parent integer;
  v_parent_level integer := 0;
  v_type_level integer;
  v_journal jsonb;
BEGIN
  "PID" := @SCHEMA@.place("PID");
  PERFORM @SCHEMA@.require_right(ARRAY[3]);
  IF "PID_LOCATTYPE" IS NULL OR "PID_LOCATTYPE" < 1 THEN
    RETURN -1;  -- no type: refused like a type of the wrong level
  END IF;
  SELECT id_parent INTO v_old_parent FROM @SCHEMA@.location WHERE id = "PID";
  IF NOT FOUND THEN
    RETURN -1;
  END IF;
  PERFORM @SCHEMA@.location_require_version("PID", "PVERSION");
  IF v_parent IS DISTINCT FROM v_old_parent THEN
    IF NOT @SCHEMA@.location_lock_tree() THEN
      RETURN -1;
    END IF;
    IF v_parent IS NOT NULL AND @SCHEMA@.location_is_in_subtree(v_parent, "PID") THEN
      RETURN -1;
    END IF;
  END IF;
  SELECT level_no INTO v_type_level FROM @SCHEMA@.locattype WHERE id = "PID_LOCATTYPE";
  IF v_parent IS NOT NULL THEN
    v_parent_level := @SCHEMA@.location_level(v_parent);
  END IF;
  IF v_type_level IS NOT NULL AND v_parent_level IS NOT NULL AND v_type_level <> v_parent_level + 1 THEN
    RETURN -1;
  END IF;
  -- Children hang one level below: a place with children keeps its level.
  IF v_type_level IS DISTINCT FROM @SCHEMA@.location_level("PID")
     AND EXISTS (SELECT 1 FROM @SCHEMA@.location WHERE id_parent = "PID") THEN
    RETURN -1;
  END IF;
  v_journal := @SCHEMA@.journal_open('PLACE', CASE WHEN v_parent IS DISTINCT FROM v_old_parent
                                                   THEN 'MOVE' ELSE 'EDIT' END, ARRAY["PID"]);
  UPDATE @SCHEMA@.location
  SET id_parent = v_parent, id_locattype = "PID_LOCATTYPE", name = "PNAME"
  WHERE id = "PID";
  PERFORM @SCHEMA@.location_replace_codes("PID", "PCODES");
  PERFORM @SCHEMA@.location_replace_names("PID", "PNAMES");
  PERFORM @SCHEMA@.journal_close(v_journal);
  RETURN "PID";
END
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.DEL_T#LOCATION"("PID" integer)
RETURNS integer
LANGUAGE plpgsql AS $body$
DECLARE
  v_journal jsonb;
BEGIN
  "PID" := @SCHEMA@.place("PID");
  PERFORM @SCHEMA@.require_right(ARRAY[4]);
  IF EXISTS (SELECT 1 FROM @SCHEMA@.location WHERE id_parent = "PID")
     OR EXISTS (SELECT 1 FROM @SCHEMA@.information WHERE objtype = 1 AND objid = "PID") THEN
    RETURN -2;
  END IF;
  v_journal := @SCHEMA@.journal_open('PLACE', 'DELETE', ARRAY["PID"]);
  DELETE FROM @SCHEMA@.location WHERE id = "PID";
  IF NOT FOUND THEN
    RETURN -1;
  END IF;
  PERFORM @SCHEMA@.journal_close(v_journal);
  RETURN 1;
EXCEPTION WHEN foreign_key_violation THEN
  RETURN -2;  -- another session has just put a place below it
END
$body$;

-- The places of a subtree with the type each would have p_delta levels deeper
-- (same abbreviation); new_type is NULL where no such type exists.
CREATE OR REPLACE FUNCTION @SCHEMA@.location_retyped(p_id integer, p_delta integer)
RETURNS TABLE (id integer, new_type integer)
LANGUAGE sql STABLE AS $body$
  WITH RECURSIVE sub (id, depth) AS (
    SELECT p_id, 0
    UNION ALL
    SELECT l.id, s.depth + 1 FROM @SCHEMA@.location l JOIN sub s ON l.id_parent = s.id WHERE s.depth < 1000
  )
  SELECT s.id, nt.id
  FROM sub s
  JOIN @SCHEMA@.location l ON l.id = s.id
  JOIN @SCHEMA@.locattype t ON t.id = l.id_locattype
  LEFT JOIN @SCHEMA@.locattype nt ON nt.id_abbrev = t.id_abbrev AND nt.level_no = t.level_no + p_delta
$body$;

DROP FUNCTION IF EXISTS @SCHEMA@."QXVERPLOCAT.UPD_T#LOCATION_ID_PARENT"(integer, integer);
CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.UPD_T#LOCATION_ID_PARENT"("PID" integer, "PID_PARENT" integer,
                                                                         "PVERSION" integer DEFAULT NULL)
RETURNS integer
LANGUAGE plpgsql AS $body$
DECLARE
  v_parent integer := CASE WHEN "PID_PARENT" < 1 THEN NULL ELSE @SCHEMA@.place("PID_PARENT") END;
  v_old_level integer;
  v_new_level integer := 1;
  v_delta integer;
  v_unmatched integer;
  v_journal jsonb;
BEGIN
  "PID" := @SCHEMA@.place("PID");
  PERFORM @SCHEMA@.require_right(ARRAY[3]);
  IF NOT @SCHEMA@.location_lock_tree() THEN
    RETURN -1;
  END IF;
  -- Read after the lock: a move that another session just committed is seen here.
  v_old_level := @SCHEMA@.location_level("PID");
  IF v_old_level IS NULL THEN
    RETURN -1;
  END IF;
  PERFORM @SCHEMA@.location_require_version("PID", "PVERSION");
  IF v_parent IS NOT NULL THEN
    IF @SCHEMA@.location_is_in_subtree(v_parent, "PID") THEN
      RETURN -1;
    END IF;
    v_new_level := @SCHEMA@.location_level(v_parent) + 1;
    IF v_new_level IS NULL THEN
      RETURN -1;
    END IF;
  END IF;
  v_delta := v_new_level - v_old_level;
  IF v_delta <> 0 THEN
    -- Every place of the subtree needs a type of its new level with the same abbreviation.
    SELECT count(*) INTO v_unmatched FROM @SCHEMA@.location_retyped("PID", v_delta) WHERE new_type IS NULL;
    IF v_unmatched > 0 THEN
      RETURN -1;
    END IF;
  END IF;
  v_journal := @SCHEMA@.journal_open('PLACE', 'MOVE', ARRAY["PID"]);
  IF v_delta <> 0 THEN
    -- The places below keep their depth under the moved one: each changes type.
    v_journal := v_journal || @SCHEMA@.journal_open('PLACE', 'EDIT',
      ARRAY(SELECT r.id FROM @SCHEMA@.location_retyped("PID", v_delta) r WHERE r.id <> "PID" ORDER BY r.id));
    UPDATE @SCHEMA@.location l SET id_locattype = r.new_type
    FROM @SCHEMA@.location_retyped("PID", v_delta) r WHERE l.id = r.id;
  END IF;
  UPDATE @SCHEMA@.location SET id_parent = v_parent WHERE id = "PID";
  PERFORM @SCHEMA@.journal_close(v_journal);
  RETURN 1;
EXCEPTION
  WHEN foreign_key_violation THEN
    RETURN -1;  -- the target was deleted a moment ago by another session: nothing changed
  WHEN not_null_violation THEN
    RETURN -1;  -- a place added below since the check has no type at its new level
END
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.GET_T#LOCATTYPE"("PID" integer)
RETURNS TABLE ("ID" integer, "LEVEL#" integer, "SNAME" varchar, "NAME" varchar, "ID_ABBREV" integer,
               "VERSION" integer, "CHANGED_BY" varchar, "CHANGED_AT" varchar)
LANGUAGE sql STABLE AS $body$
  SELECT t.id, t.level_no, a.sname, a.name, a.id, t.version, t.changed_by, t.changed_at
  FROM @SCHEMA@.locattype t JOIN @SCHEMA@.locatabbrev a ON a.id = t.id_abbrev
  WHERE "PID" IS NULL OR "PID" < 1 OR t.id = "PID"
  ORDER BY t.level_no, a.sname, t.id
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.GET_T#LOCATTYPE_BY_LEVEL"("PLEVEL#" integer)
RETURNS TABLE ("ID" integer, "NAME" varchar, "SNAME" varchar, "ID_ABBREV" integer, "LEVEL#" integer)
LANGUAGE sql STABLE AS $body$
  SELECT t.id, a.name, a.sname, a.id, t.level_no
  FROM @SCHEMA@.locattype t JOIN @SCHEMA@.locatabbrev a ON a.id = t.id_abbrev
  WHERE t.level_no = "PLEVEL#"
  ORDER BY a.sname, t.id
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.INS_T#LOCATTYPE"("PLEVEL#" integer, "PID_ABBREV" integer)
RETURNS integer
LANGUAGE plpgsql AS $body$
DECLARE
  v_id integer;
BEGIN
  PERFORM @SCHEMA@.require_right(ARRAY[10]);
  IF "PLEVEL#" IS NULL OR "PLEVEL#" NOT BETWEEN 1 AND 15 OR "PID_ABBREV" IS NULL OR "PID_ABBREV" < 1
     OR EXISTS (SELECT 1 FROM @SCHEMA@.locattype WHERE level_no = "PLEVEL#" AND id_abbrev = "PID_ABBREV") THEN
    RETURN -1;
  END IF;
  INSERT INTO @SCHEMA@.locattype (level_no, id_abbrev) VALUES ("PLEVEL#", "PID_ABBREV")
  RETURNING id INTO v_id;
  PERFORM @SCHEMA@.journal_close(@SCHEMA@.journal_open('LEVEL', 'ADD', ARRAY[v_id]));
  RETURN v_id;
END
$body$;

DROP FUNCTION IF EXISTS @SCHEMA@."QXVERPLOCAT.UPD_T#LOCATTYPE"(integer, integer, integer);
CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.UPD_T#LOCATTYPE"("PID" integer, "PLEVEL#" integer,
                                                                "PID_ABBREV" integer,
                                                                "PVERSION" integer DEFAULT NULL)
RETURNS integer
LANGUAGE plpgsql AS $body$
DECLARE
  v_level integer;
  v_journal jsonb;
BEGIN
  PERFORM @SCHEMA@.require_right(ARRAY[11]);
  PERFORM @SCHEMA@.require_version('locattype', "PID", "PVERSION",
    'Уровень изменён пользователем %s в %s', 'Уровень удалён другим пользователем');
  SELECT level_no INTO v_level FROM @SCHEMA@.locattype WHERE id = "PID";
  IF NOT FOUND OR "PLEVEL#" IS NULL OR "PLEVEL#" NOT BETWEEN 1 AND 15
     OR "PID_ABBREV" IS NULL OR "PID_ABBREV" < 1
     OR EXISTS (SELECT 1 FROM @SCHEMA@.locattype
                WHERE level_no = "PLEVEL#" AND id_abbrev = "PID_ABBREV" AND id <> "PID") THEN
    RETURN -1;
  END IF;
  IF v_level <> "PLEVEL#" AND EXISTS (SELECT 1 FROM @SCHEMA@.location WHERE id_locattype = "PID") THEN
    RETURN -2;
  END IF;
  v_journal := @SCHEMA@.journal_open('LEVEL', 'EDIT', ARRAY["PID"]);
  UPDATE @SCHEMA@.locattype SET level_no = "PLEVEL#", id_abbrev = "PID_ABBREV" WHERE id = "PID";
  PERFORM @SCHEMA@.journal_close(v_journal);
  RETURN "PID";
END
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.DEL_T#LOCATTYPE"("PID" integer)
RETURNS integer
LANGUAGE plpgsql AS $body$
DECLARE
  v_journal jsonb;
BEGIN
  PERFORM @SCHEMA@.require_right(ARRAY[12]);
  IF EXISTS (SELECT 1 FROM @SCHEMA@.location WHERE id_locattype = "PID") THEN
    RETURN -2;
  END IF;
  v_journal := @SCHEMA@.journal_open('LEVEL', 'DELETE', ARRAY["PID"]);
  DELETE FROM @SCHEMA@.locattype WHERE id = "PID";
  IF NOT FOUND THEN
    RETURN -1;
  END IF;
  PERFORM @SCHEMA@.journal_close(v_journal);
  RETURN 1;
END
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.GET_T#LOCATABBREV"("PID" integer)
RETURNS TABLE ("ID" integer, "SNAME" varchar, "NAME" varchar, "BMP16#16" bytea,
               "VERSION" integer, "CHANGED_BY" varchar, "CHANGED_AT" varchar)
LANGUAGE sql STABLE AS $body$
  SELECT a.id, a.sname, a.name, a.bmp, a.version, a.changed_by, a.changed_at
  FROM @SCHEMA@.locatabbrev a
  WHERE "PID" IS NULL OR "PID" < 1 OR a.id = "PID"
  ORDER BY a.sname, a.id
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.INS_T#LOCATABBREV"("PSNAME" varchar, "PNAME" varchar)
RETURNS integer
LANGUAGE plpgsql AS $body$
DECLARE
  v_id integer;
BEGIN
  PERFORM @SCHEMA@.require_right(ARRAY[6]);
  IF EXISTS (SELECT 1 FROM @SCHEMA@.locatabbrev WHERE sname = "PSNAME") THEN
    RETURN -1;
  END IF;
  INSERT INTO @SCHEMA@.locatabbrev (sname, name) VALUES ("PSNAME", "PNAME") RETURNING id INTO v_id;
  PERFORM @SCHEMA@.journal_close(@SCHEMA@.journal_open('ABBREV', 'ADD', ARRAY[v_id]));
  RETURN v_id;
END
$body$;

DROP FUNCTION IF EXISTS @SCHEMA@."QXVERPLOCAT.UPD_T#LOCATABBREV"(integer, varchar, varchar);
CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.UPD_T#LOCATABBREV"("PID" integer, "PSNAME" varchar,
                                                                  "PNAME" varchar,
                                                                  "PVERSION" integer DEFAULT NULL)
RETURNS integer
LANGUAGE plpgsql AS $body$
DECLARE
  v_journal jsonb;
BEGIN
  PERFORM @SCHEMA@.require_right(ARRAY[7]);
  PERFORM @SCHEMA@.require_version('locatabbrev', "PID", "PVERSION",
    'Сокращение изменено пользователем %s в %s', 'Сокращение удалено другим пользователем');
  IF EXISTS (SELECT 1 FROM @SCHEMA@.locatabbrev WHERE sname = "PSNAME" AND id <> "PID") THEN
    RETURN -1;
  END IF;
  v_journal := @SCHEMA@.journal_open('ABBREV', 'EDIT', ARRAY["PID"]);
  UPDATE @SCHEMA@.locatabbrev SET sname = "PSNAME", name = "PNAME" WHERE id = "PID";
  IF NOT FOUND THEN
    RETURN -1;
  END IF;
  PERFORM @SCHEMA@.journal_close(v_journal);
  RETURN "PID";
END
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.DEL_T#LOCATABBREV"("PID" integer)
RETURNS integer
LANGUAGE plpgsql AS $body$
DECLARE
  v_journal jsonb;
BEGIN
  PERFORM @SCHEMA@.require_right(ARRAY[8]);
  IF EXISTS (SELECT 1 FROM @SCHEMA@.locattype WHERE id_abbrev = "PID") THEN
    RETURN -2;
  END IF;
  v_journal := @SCHEMA@.journal_open('ABBREV', 'DELETE', ARRAY["PID"]);
  DELETE FROM @SCHEMA@.locatabbrev WHERE id = "PID";
  IF NOT FOUND THEN
    RETURN -1;
  END IF;
  PERFORM @SCHEMA@.journal_close(v_journal);
  RETURN 1;
END
$body$;

CREATE OR REPLACE FUNCTION @SCHEMA@."QXVERPLOCAT.SET_T#LOCATABBREV_BMP"("PID" integer, "PBMP16#16" bytea)
RETURNS void
LANGUAGE plpgsql AS $body$
DECLARE
  v_journal jsonb;
BEGIN
  PERFORM @SCHEMA@.require_right(ARRAY[6, 7]);
  v_journal := @SCHEMA@.journal_open('ABBREV', 'EDIT', ARRAY["PID"]);
  UPDATE @SCHEMA@.locatabbrev SET bmp = "PBMP16#16" WHERE id = "PID";
  PERFORM @SCHEMA@.journal_close(v_journal);
END
$body$;
